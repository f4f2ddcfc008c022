// Command words to the unit: one parameter value per 16-bit word (cut in bits 15..12, base code
// plus value in bits 11..0). Words wait in the CommandQueue and the 30 ms timer sends one per tick
// as a word frame, which paces the unit. Only the UI thread touches anything here.
#pragma once

#include <cstdint>

struct Link;

constexpr int kCommandQueueSize = 300;   // empty when the indexes are equal: 299 words can wait
constexpr int kParameterSetWords = 294;  // 6 common words + 16 cuts x 18 words

struct CommandQueue {
    uint16_t words[kCommandQueueSize];
    int32_t writeIndex;    // 0..299
    int32_t readIndex;     // 0..299
    int32_t refusedWords;  // words QueueParameter would not queue (full, or not a valid value)
    int32_t uploadShown;   // 1 while the progress display of a whole set is open
    int32_t uploadSteps;   // steps the display has shown: words of the set written to the port
    int32_t tornLine;      // 1 when a close cut a frame short: a line end goes before the next word
};

// cut << 12 | (base + value), for a parameter index 0..24.
uint16_t CommandWord(int cut, int index, uint16_t value);

// Queue one word. Refuses (counts in refusedWords, returns false) a cut outside 0..15, an index
// that is not sent (outside 0..23), a value beyond the parameter's range, or a full queue: such a
// word would set another parameter, or overwrite words that still wait.
[[nodiscard]] bool QueueParameter(Link& link, int cut, int index, uint16_t value);
// Words waiting in the queue.
int QueuedWords(const Link& link);

// Open the progress display and queue the LoadedParameterSet (294 words: the common words with
// cut 0, then each cut's 18 words in word order). The set sets every parameter the unit takes, so
// it replaces the words still waiting (of an earlier set or of the sheet), and a display still
// open for an earlier set starts again from 0. False, with nothing changed, when a staged value is
// out of range.
[[nodiscard]] bool UploadParameterSet(Link& link);

// The last step of every timer tick: send the word at the read index as a word frame. While no
// port is open, or the TransmitRing has no room for the frame, the word stays at the read index
// for a later tick. A shown upload steps its display once for each word the writer has written
// to the port (a word in the ring is not written yet), so the display reaches its end only when
// the whole set is out; on the first tick that finds the queue and the ring empty the upload
// ends: uploadProgress is cleared and the display closed.
void PumpCommandQueue(Link& link);

// When a port has closed (its writer stopped): the word frames the writer never took are taken
// out of the ring and wait in the queue again, ahead of the others, so the next port sends them.
// A frame the port took only in part goes back whole, and the next word sent goes after a line end
// (a byte no frame ends in, then CR) that makes the torn start a line of its own, which the unit
// drops: the word is neither lost nor taken twice.
void ReclaimUnsentWords(Link& link);

// Empty queue, no upload shown (program start, tests).
void ResetCommandQueue(Link& link);
