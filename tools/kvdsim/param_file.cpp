#include "param_file.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "text_fields.h"

namespace kvdsim {

namespace {

constexpr int kLabelledLines = 5;
constexpr int kHeaderLines = 1;
constexpr int kFirstRow = kLabelledLines + kHeaderLines;  // 0-based index of the Break Limit row
constexpr int kLineCount = kFirstRow + kCutWordCount;

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Digits, then optionally a point and 1..maxDecimals digits. Returns false for anything else.
bool ParseDecimal(const std::string& text, int maxDecimals, long& whole, int& decimals,
                  long& fraction) {
    whole = 0;
    decimals = 0;
    fraction = 0;
    std::size_t i = 0;
    if (text.empty()) return false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > 1000000) return false;
    }
    if (i == 0) return false;
    if (i == text.size()) return true;
    if (text[i] != '.' || i + 1 == text.size()) return false;
    for (++i; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || ++decimals > maxDecimals) return false;
        fraction = fraction * 10 + (text[i] - '0');
    }
    return true;
}

class Reader {
public:
    explicit Reader(std::string& error) : error_(error) {}

    bool Fail(int line, int cell, const std::string& what) {
        std::ostringstream s;
        s << "line " << line;
        if (cell > 0) s << " cell " << cell;
        s << ": " << what;
        error_ = s.str();
        return false;
    }

    // A cell holding a whole number (tenths false) or a time in tenths such as 2.5 or 10.
    bool Value(const std::string& raw, bool tenths, int parameter, int line, int cell, uint16_t& out) {
        const std::string text = Trim(raw);
        long whole = 0, fraction = 0;
        int decimals = 0;
        if (!ParseDecimal(text, tenths ? 1 : 0, whole, decimals, fraction))
            return Fail(line, cell, "'" + text + "' is not a " + (tenths ? "time such as 2.5" : "whole number"));
        const long value = tenths ? whole * 10 + fraction : whole;
        const ParameterInfo& info = kParameters[parameter];
        if (value > info.maxValue)
            return Fail(line, cell, std::string(info.name) + " " + text + " is out of range");
        out = static_cast<uint16_t>(value);
        return true;
    }

    // The measuring range: 1.50 (hundredths), 15.0 (tenths) or 150 (whole number).
    bool Range(const std::string& raw, int line, CommonParameters& common) {
        const std::string text = Trim(raw);
        long whole = 0, fraction = 0;
        int decimals = 0;
        if (!ParseDecimal(text, 2, whole, decimals, fraction))
            return Fail(line, 0, "'" + text + "' is not a range such as 1.50, 15.0 or 150");
        long value = whole;
        for (int i = 0; i < decimals; ++i) value *= 10;
        value += fraction;
        if (value > kParameters[CommonWordParameter(5)].maxValue)
            return Fail(line, 0, "range " + text + " is out of range");
        common.rangeValue = static_cast<uint16_t>(value);
        common.rangeDecimals = static_cast<uint16_t>(decimals == 2 ? 0 : decimals == 1 ? 1 : 2);
        return true;
    }

private:
    std::string& error_;
};

}  // namespace

bool ParseParameterText(const std::string& text, UnitParameters& params, std::string& error) {
    std::vector<std::string> lines = SplitFields(text, '\n');
    if (static_cast<int>(lines.size()) < kLineCount)
        return Reader(error).Fail(static_cast<int>(lines.size()), 0,
                                  "the file ends early: a parameter set has " +
                                      std::to_string(kLineCount) + " lines");
    Reader reader(error);
    UnitParameters p = params;

    // Lines 1..4: unit ID, average, Po samples, debounce (written as the displayed value + 1).
    const int labelledWords[4] = {2, 0, 1, 3};
    for (int i = 0; i < kLabelledLines; ++i) {
        const std::vector<std::string> fields = SplitFields(lines[static_cast<std::size_t>(i)], '\t');
        if (fields.size() < 2) return reader.Fail(i + 1, 0, "no tab after the label");
        if (i == 4) {
            if (!reader.Range(fields[1], i + 1, p.common)) return false;
            continue;
        }
        const int parameter = CommonWordParameter(labelledWords[i]);
        uint16_t value = 0;
        if (i == 3) {
            // Debounce: the file holds 1..9 for the stored 0..8.
            const std::string trimmed = Trim(fields[1]);
            if (trimmed == "0") return reader.Fail(i + 1, 0, "debounce 0 is out of range");
            long whole = 0, fraction = 0;
            int decimals = 0;
            if (!ParseDecimal(trimmed, 0, whole, decimals, fraction) || whole < 1 || whole > 9)
                return reader.Fail(i + 1, 0, "debounce '" + trimmed + "' is not 1..9");
            value = static_cast<uint16_t>(whole - 1);
        } else if (!reader.Value(fields[1], false, parameter, i + 1, 0, value)) {
            return false;
        }
        CommonWord(p.common, labelledWords[i]) = value;
    }

    // Rows 7..24: one row per record word, one cell per cut.
    for (int w = 0; w < kCutWordCount; ++w) {
        const int lineNumber = kFirstRow + w + 1;
        const std::vector<std::string> fields = SplitFields(lines[static_cast<std::size_t>(kFirstRow + w)], '\t');
        int cells = static_cast<int>(fields.size()) - 1;
        while (cells > kCutCount && Trim(fields[static_cast<std::size_t>(cells)]).empty()) --cells;
        if (cells != kCutCount)
            return reader.Fail(lineNumber, 0, "expected 16 cells, found " + std::to_string(cells));
        const int parameter = CutWordParameter(w);
        // Delays and window times are kept in tenths of a second.
        const bool tenths = (w >= 3 && w <= 5) || (w >= 10 && w <= 12);
        for (int cut = 0; cut < kCutCount; ++cut) {
            uint16_t value = 0;
            if (!reader.Value(fields[static_cast<std::size_t>(cut + 1)], tenths, parameter, lineNumber,
                              cut + 1, value))
                return false;
            CutWord(p.cuts[cut], w) = value;
        }
    }
    params = p;
    return true;
}

bool LoadParameterFile(const std::string& path, UnitParameters& params, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "'";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseParameterText(text.str(), params, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace kvdsim
