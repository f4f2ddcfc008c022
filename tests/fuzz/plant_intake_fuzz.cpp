// Random messages as the broker would deliver them to kvdplant: the input's first line is the
// topic, the rest the payload, taken by the store and handed on to the board as kvdplant does.
// It must never crash or hang; every refusal names its problem, a payload above the bound is
// refused unread, and only a stored cycle leaves anything on disk (its machine's folder).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "board_model.h"
#include "plant_board.h"
#include "plant/plant_receipt.h"
#include "plant_store.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "intake: %s\n", what);
    std::abort();
}

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto p = std::filesystem::temp_directory_path() / ("zavize-intake-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static unsigned runs = 0;
    std::error_code ec;
    if (++runs % 512 == 0) std::filesystem::remove_all(Folder() / "plant", ec);  // bounded on disk
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t end = input.find('\n');
    const std::string topic(input.substr(0, end));
    const std::string_view payload =
        end == std::string_view::npos ? std::string_view() : input.substr(end + 1);

    const std::string plant = (Folder() / "plant").string();
    kvdplant::PlantStore store(plant, "kvd", 4);
    kvdboard::BoardModel board;
    std::string machine, leaf;
    const bool named = kvdplant::SplitTopic(topic, "kvd", machine, leaf);
    const bool existed = named && std::filesystem::exists(Folder() / "plant" / machine, ec);
    std::string problem;
    const kvdplant::Outcome o = store.Take(topic, payload, 1796724000000LL, &problem);
    kvdplant::TellBoard(board, store, topic, "kvd", o);

    if ((o == kvdplant::Outcome::kMalformed || o == kvdplant::Outcome::kWriteFailed) && problem.empty())
        Fail("a refusal without a problem");
    if (payload.size() > kvdplant::kPayloadMax && o != kvdplant::Outcome::kMalformed &&
        o != kvdplant::Outcome::kIgnored)
        Fail("a payload above the bound was taken");
    if (named && !existed && o != kvdplant::Outcome::kStored &&
        std::filesystem::exists(Folder() / "plant" / machine, ec))
        Fail("a folder made for a message that was not stored");
    if (o == kvdplant::Outcome::kStored && board.Snapshot().empty())
        Fail("a stored cycle the board never got");
    // A receipt only for a cycle whose line is in its machine's journal, one its monitor reads.
    for (const kvdplant::Receipt& r : store.Receipts()) {
        if ((o != kvdplant::Outcome::kStored && o != kvdplant::Outcome::kRepeat) || r.machine != machine)
            Fail("a receipt for a cycle not in its machine's journal");
        char text[kReceiptMessageMax], outbox[17];
        uint64_t seq = 0;
        const std::size_t n = FormatReceiptMessage(r.outbox.c_str(), r.sequence, text, sizeof text);
        if (!ParseReceiptMessage({text, n}, outbox, &seq) || r.outbox != outbox || seq != r.sequence)
            Fail("a receipt its monitor cannot read");
    }
    return 0;
}
