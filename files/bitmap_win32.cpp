#include "files/bitmap_win32.h"

#include "files/file_dialog_win32.h"
#include "model/results.h"
#include "text/message.h"
#include "text/message_win32.h"
#include "text/text_ids.h"

namespace {

void Report(HWND owner, TextId message, int32_t number) {
    ShowMessage(owner, message, kCaptionScreenDump, number);
}

// GetDIBits reads a bitmap only while no device context holds it: the snapshot is lent out of
// its device context for the fetch and put back afterwards.
bool FetchPixels(BitmapHeader& header, HBITMAP snapshot, HDC dc, uint8_t* pixels) {
    HBITMAP stand_in = CreateCompatibleBitmap(dc, 1, 1);
    if (stand_in == nullptr) return false;
    HGDIOBJ lent = SelectObject(dc, stand_in);
    const int rows = GetDIBits(dc, snapshot, 0, static_cast<UINT>(header.info.biHeight), pixels,
                               reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    if (lent != nullptr) SelectObject(dc, lent);
    DeleteObject(stand_in);
    return rows > 0;
}

}  // namespace

std::unique_ptr<BitmapHeader> BuildBitmapHeader(HWND owner, HBITMAP snapshot) {
    BITMAP description{};
    if (GetObjectA(snapshot, sizeof description, &description) == 0) {
        Report(owner, kTextBitmapFormat, 0);
        return nullptr;
    }
    std::unique_ptr<BitmapHeader> header(new (std::nothrow) BitmapHeader);
    if (!header) {
        Report(owner, kTextBitmapMemory, 0);
        return nullptr;
    }
    BuildBitmapInfo(*header, description.bmWidth, description.bmHeight, description.bmPlanes,
                    description.bmBitsPixel);
    return header;
}

void WriteScreenDump(HWND owner, BitmapHeader& header, HBITMAP snapshot, HDC snapshotDC) {
    static const FileType kBitmapFile = {"Bitmap File (*.bmp)", "*.bmp", "bmp"};
    char name[kFileNameBufferSize] = "";
    const int32_t chosen = AskSaveFileName(owner, kBitmapFile, name);
    if (chosen == kResultCancelled) return;
    if (chosen != kResultOk) {
        Report(owner, kTextBitmapCreate, chosen);
        return;
    }
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[header.info.biSizeImage]);
    if (!pixels) {
        Report(owner, kTextBitmapMemory, 0);
        return;
    }
    if (!FetchPixels(header, snapshot, snapshotDC, pixels.get())) {
        Report(owner, kTextBitmapColourTable, 0);
        return;
    }
    const BitmapWriteResult written = WriteBitmapFile(name, header, pixels.get());
    switch (written.failed) {
        case BitmapWriteStep::kNone:
            break;
        case BitmapWriteStep::kCreate:
        case BitmapWriteStep::kReplace:
            Report(owner, kTextBitmapCreate, written.code);
            break;
        case BitmapWriteStep::kWrite:
            Report(owner, kTextBitmapWrite, 0);
            break;
        case BitmapWriteStep::kClose:
            Report(owner, kTextBitmapClose, 0);
            break;
    }
}
