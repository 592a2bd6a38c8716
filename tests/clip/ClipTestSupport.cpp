#include "ClipTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sstream>
#include <unistd.h>

namespace klevotrim::clip::test {

std::filesystem::path MediaFolder() {
    const char* folder = std::getenv("KLEVOTRIM_CLIP_MEDIA");
    return folder ? std::filesystem::path(folder) : std::filesystem::path("clip-media");
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
std::string MissingMedia(const std::string& what) {
    return "missing generated media " + what + ": run tests/clip/make-clip-media.sh <folder> and set " +
           "KLEVOTRIM_CLIP_MEDIA to that folder (ctest does both)";
}

// Without the generated media every test would fail alone, and some could read past an empty
// file: the run stops at once and says what is missing.
class GeneratedMedia : public ::testing::Environment {
  public:
    void SetUp() override {
        if (!std::filesystem::is_directory(MediaFolder()))
            FAIL() << MissingMedia("in " + MediaFolder().string());
    }
};
[[maybe_unused]] const auto* const kGeneratedMedia = ::testing::AddGlobalTestEnvironment(new GeneratedMedia);
} // namespace

MediaFile LoadMedia(const std::string& name) {
    MediaFile file{ReadWholeFile(MediaFolder() / name)};
    // A test cannot go on without its file; GoogleTest reports the exception as its failure.
    if (file.bytes.empty())
        throw std::runtime_error(MissingMedia(name));
    return file;
}

std::vector<std::uint8_t> AssembleClip(const ClipPlan& plan, std::span<const std::uint8_t> source) {
    std::vector<std::uint8_t> clip(plan.header);
    std::uint64_t at = plan.rangeBegin;
    for (const Splice& splice : plan.splices) {
        clip.insert(clip.end(), source.begin() + at, source.begin() + splice.at);
        clip.insert(clip.end(), splice.bytes.begin(), splice.bytes.end());
        at = splice.resume;
    }
    clip.insert(clip.end(), source.begin() + at, source.begin() + plan.rangeEnd);
    clip.insert(clip.end(), plan.trailer.begin(), plan.trailer.end());
    return clip;
}

namespace {
std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
            output.append(buffer.data(), n);
        pclose(pipe);
    }
    return output;
}
} // namespace

ProbeResult Probe(std::span<const std::uint8_t> clip, const std::string& extension) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("klevotrim-clip-" + std::to_string(getpid()) + "." + extension);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(clip.data()), static_cast<std::streamsize>(clip.size()));
    }
    ProbeResult result;
    result.errors = Run("ffmpeg -hide_banner -nostdin -v error -i '" + path.string() + "' -f null - 2>&1");
    result.decodesCleanly = result.errors.empty();
    const std::string probe = Run("ffprobe -v error -show_entries format=start_time,duration -of "
                                  "default=noprint_wrappers=1:nokey=1 '" +
                                  path.string() + "' 2>/dev/null");
    // A field ffprobe cannot tell (a WAV file's start) reads "N/A": it counts as 0.
    std::istringstream fields(probe);
    std::string start, duration;
    fields >> start >> duration;
    result.start = std::strtod(start.c_str(), nullptr);
    result.duration = std::strtod(duration.c_str(), nullptr);
    result.streams = Run("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" + path.string() +
                         "' 2>/dev/null | tr '\\n' ,");
    std::filesystem::remove(path);
    return result;
}

std::vector<std::uint64_t> PacketOffsets(const std::string& name) {
    const std::string listing =
        Run("ffprobe -v error -select_streams 0 -show_entries packet=pos -of csv=p=0 '" +
            (MediaFolder() / name).string() + "' 2>/dev/null");
    std::vector<std::uint64_t> offsets;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line != "N/A")
            offsets.push_back(std::stoull(line));
    return offsets;
}

SparseSource::SparseSource(std::vector<std::uint8_t> head, std::uint64_t size) : size_(size) {
    runs_[0] = std::move(head);
}

std::size_t SparseSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset >= size_)
        return 0;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - offset));
    std::fill_n(buffer.begin(), count, 0);
    for (const auto& [at, bytes] : runs_) {
        const std::uint64_t from = std::max(at, offset), to = std::min(at + bytes.size(), offset + count);
        if (from < to)
            std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(from - at),
                      bytes.begin() + static_cast<std::ptrdiff_t>(to - at), buffer.begin() + (from - offset));
    }
    bytesRead_ += count;
    return count;
}

} // namespace klevotrim::clip::test
