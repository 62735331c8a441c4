// The inputs a fuzz target has fed to its long-lived plug-in instance since
// that instance was made. A broken promise may depend on all of them, not on
// the last input alone, so a stop writes them to a file, and a target started
// with QOR_FUZZ_REPLAY=<that file> feeds them again to a fresh instance, one
// after the other, before any fuzzing.
//
// File layout: per input, its length as a little-endian uint32, then its bytes.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor::fuzz {

class InputHistory {
public:
    // A long history is cut short by starting over with a new instance: it
    // bounds the memory the history takes and the length of a replay.
    static constexpr std::size_t kMaxInputs = 4096;
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;

    explicit InputHistory(std::string target) : mTarget(std::move(target)) {}

    bool Full() const { return mInputs.size() >= kMaxInputs || mBytes >= kMaxBytes; }
    void Clear()
    {
        mInputs.clear();
        mBytes = 0;
    }
    void Add(const uint8_t* data, std::size_t size)
    {
        mInputs.emplace_back(data, data + size);
        mBytes += size;
    }

    // Writes "<target>-history-<pid>" into the current folder and says so.
    void Write() const
    {
        const std::string path = mTarget + "-history-" + std::to_string(getpid());
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
        if (!file) return;
        for (const std::vector<uint8_t>& input : mInputs) {
            const auto n = static_cast<uint32_t>(input.size());
            const uint8_t length[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                       static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
            std::fwrite(length, 1, sizeof(length), file.get());
            std::fwrite(input.data(), 1, input.size(), file.get());
        }
        std::fprintf(stderr, "%zu inputs since the instance was made written to %s; replay with QOR_FUZZ_REPLAY=%s\n",
                     mInputs.size(), path.c_str(), path.c_str());
    }

    // The inputs of a written history; nothing when the file cannot be read
    // whole.
    static std::optional<std::vector<std::vector<uint8_t>>> Read(const char* path)
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
        if (!file) return std::nullopt;
        std::vector<std::vector<uint8_t>> inputs;
        uint8_t length[4];
        while (std::fread(length, 1, sizeof(length), file.get()) == sizeof(length)) {
            const uint32_t n = uint32_t{length[0]} | uint32_t{length[1]} << 8 | uint32_t{length[2]} << 16 |
                               uint32_t{length[3]} << 24;
            std::vector<uint8_t> input(n);
            if (std::fread(input.data(), 1, n, file.get()) != n) return std::nullopt;
            inputs.push_back(std::move(input));
        }
        return inputs;
    }

private:
    std::string mTarget;
    std::vector<std::vector<uint8_t>> mInputs;
    std::size_t mBytes = 0;
};

}  // namespace qor::fuzz
