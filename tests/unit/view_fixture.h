// Common start state of the view tests: a fresh model with the parameter defaults, the English
// configuration presets, the 800x600 layout, and a recorder of invalidated regions.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "files/config.h"
#include "model/model.h"
#include "services_reset.h"
#include "tests/unit/recording_canvas.h"
#include "view/layout.h"
#include "view/statistics_view.h"

struct Invalidation {
    Region region;
    bool erase;
};

class ViewTest : public ::testing::Test {
protected:
    static inline std::vector<Invalidation> invalidations;

    void SetUp() override {
        ResetModel(TestModel(), TestStatistics());
        WriteParameterDefaults(TestModel());
        TestModel().activeCutParameters = DefaultCutParameters();
        TestModel().connection.NotConnected = 0;
        PresetConfiguration(TestConfig());
        canvas.UseLayout(Layout{});
        invalidations.clear();
        ResetServices();
        TestLink().windowService.invalidate = [](void*, Region r, bool erase) {
            invalidations.push_back({r, erase});
        };
    }
    void TearDown() override {
        ResetServices();
        PresetConfiguration(TestConfig());
    }

    // Both the mirror and the array record of the active cut.
    template <class Change>
    void SetActiveCutParameters(Change change) {
        change(TestModel().activeCutParameters);
        change(TestModel().cutParameters[TestModel().ActiveCut]);
    }

    RecordingCanvas canvas;
};
