#include "shell/plant_dialog_win32.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "files/file_dialog_win32.h"
#include "plant/connection_check.h"
#include "plant/mqtt_codec.h"
#include "plant/plant_settings_win32.h"
#include "plant/publisher.h"
#include "res/resource.h"
#include "text/language.h"
#include "text/text_ids.h"

namespace {

constexpr UINT kCheckDone = WM_APP + 1;

// One Test: the thread owns a share of it, so it may outlive the dialog; it tells the dialog only
// while the dialog is still there.
struct CheckJob {
    std::mutex mutex;
    HWND dialog = nullptr;  // null once the dialog has gone
    std::atomic<bool> stop{false};
    PlantCheckResult result{};
};

struct DialogState {
    PlantLink* link;
    std::shared_ptr<CheckJob> job;
};

// The fields as the settings file would hold them, in buffers one longer than any valid value
// (an overlong one is seen and refused, not cut to fit).
struct Typed {
    char host[kPlantHostMax + 2], port[16], machine[kPlantNameMax + 2], prefix[kPlantNameMax + 2],
        user[kPlantUserMax + 2], password[kPlantPasswordMax + 2], caFile[kPlantPathMax + 2], keepAlive[16];
    ~Typed() { SecureZeroMemory(password, sizeof password); }
};

const char* Field(HWND dialog, int id, char* buffer, int size) {
    GetDlgItemTextA(dialog, id, buffer, size);
    return buffer[0] != '\0' ? buffer : nullptr;
}

// The typed settings checked by the settings file's own rules; false with the rule's message in
// the dialog. `on` forces the link on (the Test needs a host whatever the box says).
bool ReadTyped(HWND dialog, const PlantLink& link, bool on, PlantSettings& out) {
    Typed t;
    std::snprintf(t.keepAlive, sizeof t.keepAlive, "%u",
                  static_cast<unsigned>(link.settings.keepAliveSeconds));
    const bool tls = IsDlgButtonChecked(dialog, IDC_PLANT_TLS) == BST_CHECKED;
    const PlantSettingsText text{on || IsDlgButtonChecked(dialog, IDC_PLANT_ON) == BST_CHECKED ? "1" : "0",
                                 Field(dialog, IDC_PLANT_HOST, t.host, sizeof t.host),
                                 Field(dialog, IDC_PLANT_PORT, t.port, sizeof t.port),
                                 Field(dialog, IDC_PLANT_MACHINE, t.machine, sizeof t.machine),
                                 Field(dialog, IDC_PLANT_PREFIX, t.prefix, sizeof t.prefix),
                                 link.settings.keepAliveSeconds != 0 ? t.keepAlive : nullptr,
                                 Field(dialog, IDC_PLANT_USER, t.user, sizeof t.user),
                                 Field(dialog, IDC_PLANT_PASSWORD, t.password, sizeof t.password),
                                 tls ? "1" : "0",
                                 tls ? Field(dialog, IDC_PLANT_CAFILE, t.caFile, sizeof t.caFile) : nullptr};
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof computer;
    if (!GetComputerNameA(computer, &size)) computer[0] = '\0';
    char message[kPlantMessageMax];
    if (ParsePlantSettings(text, computer, out, message, sizeof message)) return true;
    SetDlgItemTextA(dialog, IDC_PLANT_RESULT, message);
    return false;
}

void ShowCheckResult(HWND dialog, const PlantCheckResult& r) {
    char text[kPlantMessageMax];
    switch (r.outcome) {
        case PlantCheckOutcome::kConnected:
            std::snprintf(text, sizeof text, "%s", GetText(kTextConnected));
            break;
        case PlantCheckOutcome::kRefused:
            if (r.refusal == 4 || r.refusal == 5)
                std::snprintf(text, sizeof text, "%s",
                              GetText(r.refusal == 4 ? kTextRefusedPassword : kTextRefusedNotAuthorised));
            else
                std::snprintf(text, sizeof text, "%s %s", GetText(kTextRefused), MqttRefusalText(r.refusal));
            break;
        case PlantCheckOutcome::kNotTrusted:
            std::snprintf(text, sizeof text, "%s", GetText(kTextNotTrusted));
            break;
        case PlantCheckOutcome::kNoAnswer:
            std::snprintf(text, sizeof text, "%s", GetText(kTextNoAnswer));
            break;
        case PlantCheckOutcome::kCannotConnect:
        case PlantCheckOutcome::kStopped:
            std::snprintf(text, sizeof text, "%s %s", GetText(kTextNoConnection), PlantErrorText(r.result));
            break;
    }
    SetDlgItemTextA(dialog, IDC_PLANT_RESULT, text);
}

void StartCheck(HWND dialog, DialogState& state) {
    PlantSettings settings;
    if (state.job != nullptr || !ReadTyped(dialog, *state.link, true, settings)) return;
    auto job = std::make_shared<CheckJob>();
    job->dialog = dialog;
    // The link's own sockets and timings: the Test connects as the link would.
    const PlantPublisherSetup setup = DefaultPublisherSetup(settings, "");
    try {
        std::thread([job, setup] {
            const PlantCheckResult r =
                CheckPlantConnection(setup.settings, setup.sockets, setup.connectTimeoutMs, job->stop);
            std::lock_guard lock(job->mutex);
            job->result = r;
            if (job->dialog != nullptr) PostMessageA(job->dialog, kCheckDone, 0, 0);
        }).detach();
    } catch (const std::system_error&) {
        char text[kPlantMessageMax];
        std::snprintf(text, sizeof text, "%s %s", GetText(kTextNoConnection), "no thread for the test");
        SetDlgItemTextA(dialog, IDC_PLANT_RESULT, text);
        return;
    }
    state.job = std::move(job);
    SetDlgItemTextA(dialog, IDC_PLANT_RESULT, GetText(kTextTesting));
    EnableWindow(GetDlgItem(dialog, IDC_PLANT_TEST), FALSE);
}

void CheckDone(HWND dialog, DialogState& state) {
    if (state.job == nullptr) return;
    PlantCheckResult r;
    {
        std::lock_guard lock(state.job->mutex);
        r = state.job->result;
    }
    state.job.reset();
    ShowCheckResult(dialog, r);
    EnableWindow(GetDlgItem(dialog, IDC_PLANT_TEST), TRUE);
}

// A Test still running when the dialog goes is asked to stop and left to end by itself.
void ForgetCheck(DialogState& state) {
    if (state.job == nullptr) return;
    std::lock_guard lock(state.job->mutex);
    state.job->dialog = nullptr;
    state.job->stop.store(true);
}

void EnableCaFile(HWND dialog) {
    const BOOL tls = IsDlgButtonChecked(dialog, IDC_PLANT_TLS) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_PLANT_CAFILE), tls);
    EnableWindow(GetDlgItem(dialog, IDC_PLANT_BROWSE), tls);
}

// Switching TLS moves a port still at the other mode's default to this one's.
void TlsClicked(HWND dialog) {
    const bool tls = IsDlgButtonChecked(dialog, IDC_PLANT_TLS) == BST_CHECKED;
    char port[16];
    GetDlgItemTextA(dialog, IDC_PLANT_PORT, port, sizeof port);
    const int from = tls ? kPlantDefaultPort : kPlantDefaultTlsPort;
    if (port[0] == '\0' || std::atoi(port) == from)
        SetDlgItemInt(dialog, IDC_PLANT_PORT, tls ? kPlantDefaultTlsPort : kPlantDefaultPort, FALSE);
    EnableCaFile(dialog);
}

void Browse(HWND dialog) {
    const FileType type{GetText(kTextCaFiles), "*.pem;*.crt", "pem"};
    char name[kFileNameBufferSize] = "";
    if (AskOpenFileName(dialog, type, name) == 0) SetDlgItemTextA(dialog, IDC_PLANT_CAFILE, name);
}

void Init(HWND dialog, const PlantSettings& s) {
    SetWindowTextA(dialog, GetText(kTextPlantLink));
    const struct {
        int control;
        TextId text;
    } labels[] = {{IDC_PLANT_ON, kTextPlantLinkOn},
                  {IDC_PLANT_LABEL_HOST, kTextBrokerHost},
                  {IDC_PLANT_LABEL_PORT, kTextBrokerPort},
                  {IDC_PLANT_TLS, kTextTls},
                  {IDC_PLANT_LABEL_CAFILE, kTextCaFile},
                  {IDC_PLANT_BROWSE, kTextBrowse},
                  {IDC_PLANT_LABEL_MACHINE, kTextMachineName},
                  {IDC_PLANT_LABEL_USER, kTextUser},
                  {IDC_PLANT_LABEL_PASSWORD, kTextPassword},
                  {IDC_PLANT_LABEL_PREFIX, kTextTopicPrefix},
                  {IDC_PLANT_TEST, kTextTest},
                  {IDCANCEL, kTextCancel}};
    for (const auto& l : labels) SetDlgItemTextA(dialog, l.control, GetText(l.text));
    CheckDlgButton(dialog, IDC_PLANT_ON, s.enabled ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_PLANT_TLS, s.tls ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_PLANT_HOST, s.host);
    SetDlgItemInt(dialog, IDC_PLANT_PORT, s.port, FALSE);
    SetDlgItemTextA(dialog, IDC_PLANT_CAFILE, s.caFile);
    SetDlgItemTextA(dialog, IDC_PLANT_MACHINE, s.machine);
    SetDlgItemTextA(dialog, IDC_PLANT_USER, s.user);
    SetDlgItemTextA(dialog, IDC_PLANT_PASSWORD, s.password);
    SetDlgItemTextA(dialog, IDC_PLANT_PREFIX, s.prefix);
    const struct {
        int control;
        WPARAM limit;
    } limits[] = {{IDC_PLANT_HOST, kPlantHostMax + 1},   {IDC_PLANT_PORT, 5},
                  {IDC_PLANT_CAFILE, kPlantPathMax + 1}, {IDC_PLANT_MACHINE, kPlantNameMax + 1},
                  {IDC_PLANT_USER, kPlantUserMax + 1},   {IDC_PLANT_PASSWORD, kPlantPasswordMax + 1},
                  {IDC_PLANT_PREFIX, kPlantNameMax + 1}};
    for (const auto& l : limits) SendDlgItemMessageA(dialog, l.control, EM_LIMITTEXT, l.limit, 0);
    EnableCaFile(dialog);
}

// OK: the typed settings checked, written, and the link started again with them; a refused value
// or a file that cannot be written keeps the dialog open with the reason.
void Accept(HWND dialog, DialogState& state) {
    PlantSettings settings;
    if (!ReadTyped(dialog, *state.link, false, settings)) return;
    char message[kPlantMessageMax];
    if (!WritePlantSettingsFile(settings, message, sizeof message)) {
        SetDlgItemTextA(dialog, IDC_PLANT_RESULT, message);
        return;
    }
    RestartPlantLink(*state.link, settings);
    SecureZeroMemory(&settings, sizeof settings);
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK PlantDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            Init(dialog, reinterpret_cast<DialogState*>(lParam)->link->settings);
            return TRUE;
        case kCheckDone:
            if (state != nullptr) CheckDone(dialog, *state);
            return TRUE;
        case WM_COMMAND:
            if (state == nullptr) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_PLANT_TEST:
                    StartCheck(dialog, *state);
                    return TRUE;
                case IDC_PLANT_TLS:
                    TlsClicked(dialog);
                    return TRUE;
                case IDC_PLANT_BROWSE:
                    Browse(dialog);
                    return TRUE;
                case IDOK:
                    Accept(dialog, *state);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_DESTROY:
            if (state != nullptr) ForgetCheck(*state);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

bool OpenPlantLinkDialog(HWND owner, PlantLink& link) {
    DialogState state{&link, nullptr};
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PLANT_LINK), owner,
                           PlantDialogProc, reinterpret_cast<LPARAM>(&state)) == IDOK;
}
