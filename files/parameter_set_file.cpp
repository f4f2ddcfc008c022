#include "files/parameter_set_file.h"
#include "text/text_ids.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/file_io.h"
#include "files/parameter_set_fields.h"
#include "model/results.h"
#include "model/parameters.h"
#include "model/model.h"
#include "text/language.h"

namespace {

constexpr TextId kSignatureLabel = kLabelKvdId;  // "KVD-ID       " in every language
constexpr int kLabelLength = 13;
constexpr int kFieldLength = 6;  // bytes a value may have before its tab or line feed

// Lines 7..24: one row per CutParameters word, in word order.
struct Row {
    TextId label;
    bool tenths;
};
constexpr Row kRows[kCutWordCount] = {
    {70, false}, {72, false}, {77, false}, {71, true},  {74, true},  {78, true},
    {73, false}, {75, false}, {76, false}, {79, false}, {80, true},  {81, true},
    {82, true},  {83, false}, {90, false}, {84, false}, {85, false}, {87, false},
};

// The largest value of a CutParameters or CommonParameters word: the gap to the next base code.
int32_t MaxValue(bool common, int word) {
    for (const BaseCode& b : kBaseCodes)
        if (b.common == common && b.word == word) return b.maxValue;
    return 0;
}

// ---- writing --------------------------------------------------------------------------------

class LineWriter {
public:
    explicit LineWriter(File& file) : file_(file) {}
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(line_ + used_, sizeof line_ - used_, format, args);
        va_end(args);
        if (n > 0) used_ = std::min(used_ + static_cast<std::size_t>(n), sizeof line_ - 1);
    }
    // Write the line built so far with one write; keep the first failure.
    void EndLine() {
        Add("\n");
        if (result_ == kResultOk) result_ = WriteRecord(file_, line_, static_cast<uint32_t>(used_));
        used_ = 0;
    }
    int32_t result() const { return result_; }

private:
    File& file_;
    char line_[256];  // the longest line has 13 + 16 x 7 + 1 bytes
    std::size_t used_ = 0;
    int32_t result_ = kResultOk;
};

void WriteLines(const UnitModel& model, LineWriter& out) {
    const CommonParameters& common = model.common;
    const auto labelled = [&out](TextId label, unsigned value) {
        out.Add("%s\t%u", GetText(label), value);
        out.EndLine();
    };
    labelled(kLabelKvdId, Load(common.unitId));
    labelled(kLabelAverage, Load(common.average));
    labelled(kLabelPoSamples, Load(common.poSamples));
    labelled(kLabelDebounce, Load(common.debounce) + 1u);  // as displayed

    char range[kNumberTextSize];
    RangeText(Load(common.rangeValue), Load(common.rangeDecimals), range);
    out.Add("%s\t%s", GetText(kLabelRange), range);
    out.EndLine();

    for (int cut = 1; cut <= kCutCount; ++cut) out.Add("\t%d", cut);
    out.EndLine();

    for (int word = 0; word < kCutWordCount; ++word) {
        out.Add("%s", GetText(kRows[word].label));
        for (const CutParameters& cut : model.cutParameters) {
            const unsigned v = CutWordValue(cut, word);
            char tenths[kNumberTextSize];
            if (kRows[word].tenths) {
                TenthsText(static_cast<int>(v), tenths);
                out.Add("\t%s", tenths);
            } else
                out.Add("\t%u", v);
        }
        out.EndLine();
    }
}

// ---- reading --------------------------------------------------------------------------------

// Bytes of the file one at a time, through a small buffer.
class ByteReader {
public:
    explicit ByteReader(File& file) : file_(file) {}
    // The next byte, or -1 at the end of the file or after a read error.
    int Next() {
        if (pos_ == len_) {
            if (error_ != 0) return -1;
            error_ = file_.Read(buffer_, sizeof buffer_, &len_);
            pos_ = 0;
            if (error_ != 0 || len_ == 0) {
                len_ = 0;
                return -1;
            }
        }
        return static_cast<unsigned char>(buffer_[pos_++]);
    }
    // 0, or the system's error code of a failed read.
    int32_t ReadError() const { return error_; }
    // What an early end means: the system's error, or the file simply ends (30007).
    int32_t EndResult() const { return error_ != 0 ? error_ : kResultShortTransfer; }

private:
    File& file_;
    char buffer_[512];
    uint32_t pos_ = 0, len_ = 0;
    int32_t error_ = 0;
};

enum class FieldEnd { kTab, kLineFeed, kTooLong, kEndOfFile };

// Bytes up to and including the next tab or line feed (only the line feed when a tab belongs to
// the field); at most `limit` bytes may come before it.
FieldEnd ReadField(ByteReader& in, bool tabEnds, int limit, char* text, int* length) {
    *length = 0;
    for (;;) {
        const int c = in.Next();
        if (c < 0) return FieldEnd::kEndOfFile;
        if (c == '\n') return FieldEnd::kLineFeed;
        if (c == '\t' && tabEnds) return FieldEnd::kTab;
        if (*length == limit) return FieldEnd::kTooLong;
        text[(*length)++] = static_cast<char>(c);
    }
}

// Skip bytes up to and including the next line feed, or the next tab when a tab ends the skip.
FieldEnd Skip(ByteReader& in, bool tabEnds) {
    for (;;) {
        const int c = in.Next();
        if (c < 0) return FieldEnd::kEndOfFile;
        if (c == '\n') return FieldEnd::kLineFeed;
        if (c == '\t' && tabEnds) return FieldEnd::kTab;
    }
}

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// Lines 1..4: label, tab, value, line feed. The label is compared only on line 1, where any
// failure to read it means the file is not a parameter set file.
int32_t ReadLabelledValue(ByteReader& in, bool signature, int32_t low, int32_t high, uint16_t* out) {
    char label[kLabelLength];
    int labelLength = 0;
    const FieldEnd labelEnd = ReadField(in, true, kLabelLength, label, &labelLength);
    if (signature) {
        const char* expected = GetText(kSignatureLabel);
        const bool same = labelEnd == FieldEnd::kTab &&
                          labelLength == static_cast<int>(std::strlen(expected)) &&
                          std::memcmp(label, expected, static_cast<std::size_t>(labelLength)) == 0;
        if (!same) return in.ReadError() != 0 ? in.ReadError() : kResultNotParameterSet;
    } else if (labelEnd == FieldEnd::kEndOfFile) {
        return in.EndResult();
    } else if (labelEnd != FieldEnd::kTab) {
        return kResultBadLabelledValue;
    }
    char text[kFieldLength];
    int length = 0;
    const FieldEnd end = ReadField(in, false, kFieldLength, text, &length);
    if (end == FieldEnd::kEndOfFile) return in.EndResult();
    int32_t value = 0;
    if (end != FieldEnd::kLineFeed || !ParseIntegerField(text, length, &value))
        return kResultBadLabelledValue;
    if (!InRange(value, low, high)) return kResultValueOutOfRange;
    *out = static_cast<uint16_t>(value);
    return kResultOk;
}

// Line 5: any label, tab, the range with its decimal point, line feed.
int32_t ReadRange(ByteReader& in, LoadedParameterSet& set) {
    const FieldEnd labelEnd = Skip(in, true);
    if (labelEnd == FieldEnd::kEndOfFile) return in.EndResult();
    if (labelEnd != FieldEnd::kTab) return kResultBadRange;
    char text[kFieldLength];
    int length = 0;
    const FieldEnd end = ReadField(in, false, kFieldLength, text, &length);
    if (end == FieldEnd::kEndOfFile) return in.EndResult();
    if (end != FieldEnd::kLineFeed || !ParseRangeField(text, length, &set.rangeValue, &set.rangeDecimals))
        return kResultBadRange;
    return kResultOk;
}

// Lines 7..24: a label (not compared), then one cell per cut; the row ends after its 16th cell.
int32_t ReadRow(ByteReader& in, int word, bool lastRow, LoadedParameterSet& set) {
    const bool tenths = kRows[word].tenths;
    const int32_t bad = tenths ? kResultBadTenthsCell : kResultBadIntegerCell;
    const FieldEnd labelEnd = Skip(in, true);
    if (labelEnd == FieldEnd::kEndOfFile) return in.EndResult();
    if (labelEnd != FieldEnd::kTab) return bad;  // a line without cells
    const int32_t high = MaxValue(false, word);
    for (int cut = 0; cut < kCutCount; ++cut) {
        char text[kFieldLength];
        int length = 0;
        const FieldEnd end = ReadField(in, true, kFieldLength, text, &length);
        if (end == FieldEnd::kEndOfFile) return in.EndResult();
        if (end == FieldEnd::kTooLong) return bad;
        // A line feed before the 16th cell: the row is short and the next row would be misread.
        if (end == FieldEnd::kLineFeed && cut < kCutCount - 1) return bad;
        int32_t value = 0;
        if (!(tenths ? ParseTenthsField(text, length, &value) : ParseIntegerField(text, length, &value)))
            return bad;
        if (!InRange(value, 0, high)) return kResultValueOutOfRange;
        CutWord(set.cuts[cut], word) = static_cast<uint16_t>(value);
        // Cells beyond the 16th belong to no cut.
        if (end == FieldEnd::kTab && cut == kCutCount - 1 && !lastRow &&
            Skip(in, false) == FieldEnd::kEndOfFile)
            return in.EndResult();
    }
    return kResultOk;
}

int32_t ReadParameterSet(ByteReader& in, LoadedParameterSet& set) {
    if (int32_t r = ReadLabelledValue(in, true, 0, MaxValue(true, 2), &set.unitId)) return r;
    if (int32_t r = ReadLabelledValue(in, false, 0, MaxValue(true, 0), &set.average)) return r;
    if (int32_t r = ReadLabelledValue(in, false, 0, MaxValue(true, 1), &set.poSamples)) return r;
    // Debounce is written as displayed (stored value + 1).
    uint16_t debounce = 0;
    if (int32_t r = ReadLabelledValue(in, false, 1, MaxValue(true, 3) + 1, &debounce)) return r;
    set.debounce = static_cast<uint16_t>(debounce - 1);
    if (int32_t r = ReadRange(in, set)) return r;
    if (Skip(in, false) == FieldEnd::kEndOfFile) return in.EndResult();  // the header row of cut numbers
    for (int word = 0; word < kCutWordCount; ++word)
        if (int32_t r = ReadRow(in, word, word == kCutWordCount - 1, set)) return r;
    return kResultOk;
}

}  // namespace

int32_t WriteParameterSetFile(const UnitModel& model, const char* path) {
    // Written beside the chosen file, which is replaced only once all 24 lines are on the disk.
    ReplacingFile file;
    if (const int32_t r = file.Open(path)) return r;
    LineWriter out(file.file());
    WriteLines(model, out);
    if (out.result() != kResultOk) return out.result();
    return file.Commit();
}

int32_t ReadParameterSetFile(UnitModel& model, const char* path) {
    File file;
    if (const int32_t r = file.Open(path, kFileRead, FileDisposition::kOpenAlways)) return r;
    ByteReader in(file);
    LoadedParameterSet set{};
    const int32_t r = ReadParameterSet(in, set);
    static_cast<void>(file.Close());  // everything was read: a failed close loses nothing
    if (r == kResultOk) model.loadedParameterSet = set;
    return r;
}
