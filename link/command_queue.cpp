#include "link/command_queue.h"

#include "model/parameters.h"
#include "link/frame_codec.h"
#include "link/link.h"
#include "link/user_service.h"
#include "model/model.h"
#include "link/transmit_ring.h"

namespace {

constexpr int kUnitOptionsIndex = 24;
constexpr uint8_t kLineEnd = 0x0D;
// Ends the start of a frame the port took in part as a line the unit cannot take for a frame: a
// frame's last byte before its CR is a checksum, whose low nibble is 2 or 4, never F.
constexpr uint8_t kTornLineEnd[2] = {0xFF, kLineEnd};

// The common words of a whole set, in the order the unit takes them.
constexpr int kCommonUploadIndexes[6] = {20, 17, 18, 21, 23, 22};
// Parameter index of each CutParameters word 0..17.
constexpr int kCutUploadIndexes[kCutWordCount] = {0,  2,  9,  1,  5, 10, 4,  6,  7,
                                                  12, 11, 13, 14, 3, 8,  15, 16, 19};

int Next(int i) { return (i + 1) % kCommandQueueSize; }

void ShowProgress(Link& link, UploadProgressAction action) {
    link.userService.uploadProgress(link.userService.self, action);
}

bool CanSend(int cut, int index, uint16_t value) {
    return cut >= 0 && cut < kCutCount && index >= 0 && index < kUnitOptionsIndex &&
           value <= kBaseCodes[index].maxValue;
}

uint16_t LoadedCommonValue(const LoadedParameterSet& set, int commonWord) {
    const uint16_t words[6] = {set.average,  set.poSamples,     set.unitId,
                               set.debounce, set.rangeDecimals, set.rangeValue};
    return words[commonWord];
}

// Word frames in the ring the writer has not written whole. Every such frame leaves at least one
// byte there, and all but the oldest the whole frame, so rounding up never counts fewer (a code
// frame in the ring may hold a step back a tick).
int UnwrittenWords(const Link& link) {
    return (PendingTransmitBytes(link.ring) + kWordFrameSize - 1) / kWordFrameSize;
}

// Words queued behind the set (an Apply in the sheet) hold the display back rather than step it
// beyond its end.
void StepUploadProgress(Link& link) {
    const int written = kParameterSetWords - QueuedWords(link) - UnwrittenWords(link);
    while (link.queue.uploadSteps < written) {
        ++link.queue.uploadSteps;
        ShowProgress(link, UploadProgressAction::kStep);
    }
}

}  // namespace

uint16_t CommandWord(int cut, int index, uint16_t value) {
    return static_cast<uint16_t>(cut * 4096 + kBaseCodes[index].base + value);
}

int QueuedWords(const Link& link) {
    return (link.queue.writeIndex - link.queue.readIndex + kCommandQueueSize) % kCommandQueueSize;
}

bool QueueParameter(Link& link, int cut, int index, uint16_t value) {
    CommandQueue& q = link.queue;
    if (!CanSend(cut, index, value) || QueuedWords(link) == kCommandQueueSize - 1) {
        ++q.refusedWords;
        return false;
    }
    q.words[q.writeIndex] = CommandWord(cut, index, value);
    q.writeIndex = Next(q.writeIndex);
    return true;
}

bool UploadParameterSet(Link& link) {
    CommandQueue& q = link.queue;
    const LoadedParameterSet& set = link.model->loadedParameterSet;
    // Check everything first: half a set in the unit is worse than none.
    for (int index : kCommonUploadIndexes)
        if (!CanSend(0, index, LoadedCommonValue(set, kBaseCodes[index].word))) return false;
    for (const CutParameters& cut : set.cuts)
        for (int w = 0; w < kCutWordCount; ++w)
            if (!CanSend(0, kCutUploadIndexes[w], CutWordValue(cut, w))) return false;

    // The words still waiting would only be overwritten by the set: it replaces them, and a display
    // of an earlier set starts again with the new one.
    q.readIndex = q.writeIndex;
    if (q.uploadShown) ShowProgress(link, UploadProgressAction::kClose);
    ShowProgress(link, UploadProgressAction::kOpen);
    q.uploadShown = 1;
    q.uploadSteps = 0;
    // Values were checked above and the queue emptied: every word is queued.
    for (int index : kCommonUploadIndexes)
        static_cast<void>(QueueParameter(link, 0, index, LoadedCommonValue(set, kBaseCodes[index].word)));
    for (int c = 0; c < kCutCount; ++c)
        for (int w = 0; w < kCutWordCount; ++w)
            static_cast<void>(QueueParameter(link, c, kCutUploadIndexes[w], CutWordValue(set.cuts[c], w)));
    return true;
}

void PumpCommandQueue(Link& link) {
    CommandQueue& q = link.queue;
    const bool queued = q.readIndex != q.writeIndex;
    if (link.uploadProgress) StepUploadProgress(link);
    if (queued) {
        // No port: the word waits here. A full TransmitRing takes nothing: it waits for a later tick.
        if (!link.transmitPortOpen) return;
        if (q.tornLine && PutTransmitBytes(link, kTornLineEnd, sizeof kTornLineEnd)) q.tornLine = 0;
        if (!q.tornLine && SendWordFrame(link, q.words[q.readIndex])) q.readIndex = Next(q.readIndex);
        return;
    }
    if (link.uploadProgress && PendingTransmitBytes(link.ring) == 0) {
        link.uploadProgress = 0;
        q.uploadShown = 0;
        ShowProgress(link, UploadProgressAction::kClose);
    }
}

void ReclaimUnsentWords(Link& link) {
    CommandQueue& q = link.queue;
    q.tornLine |= TransmitFrameTorn(link.ring) ? 1 : 0;
    uint8_t bytes[kTransmitRingSize];
    const int count = TakeTransmitBytes(link.ring, bytes);
    // The word frames left in the ring, in the order they were put.
    uint16_t words[kTransmitRingSize / kWordFrameSize + 1];
    int found = 0;
    for (int start = 0, i = 0; i < count; ++i) {
        if (bytes[i] != kLineEnd) continue;
        if (i - start == kWordFrameSize - 1) {
            uint8_t line[kWordFrameSize] = {};
            for (int k = 0; k < kWordFrameSize - 1; ++k) line[k] = bytes[start + k];
            if (LineIsValid(line)) words[found++] = DecodeLine(line);
        }
        start = i + 1;
    }
    // They are the last words the pump took, still in their slots behind the read index: step back
    // over them, newest first, as long as a slot still holds its word and the queue has room.
    for (int k = found - 1; k >= 0; --k) {
        const int previous = (q.readIndex + kCommandQueueSize - 1) % kCommandQueueSize;
        if (QueuedWords(link) == kCommandQueueSize - 1 || q.words[previous] != words[k]) break;
        q.readIndex = previous;
    }
}

void ResetCommandQueue(Link& link) {
    link.queue = CommandQueue{};
    link.uploadProgress = 0;
}
