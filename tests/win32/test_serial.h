// The tests' own serial link, serving the tests' own link record.
#pragma once

#include "link/serial_state_win32.h"
#include "tests/unit/test_monitor.h"

inline SerialLink& TestSerial() {
    static SerialLink serial;
    serial.link = &TestLink();
    return serial;
}
