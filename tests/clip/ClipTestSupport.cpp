#include "ClipTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sstream>
#include <unistd.h>

#include "cutting/clip/MpegCommon.h"

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

LoopedMpegSource::LoopedMpegSource(std::vector<std::uint8_t> recording, double period, std::uint64_t size)
    : copy_(std::move(recording)), periodTicks_(static_cast<std::uint64_t>(period * mpeg::kTicksPerSecond)),
      size_(size) {
    const auto& b = copy_;
    const auto addPesStamps = [&](std::size_t at, std::size_t available) {
        mpeg::PesHeader header;
        if (!mpeg::ParsePesHeader(std::span(b).subspan(at, available), header) || !header.hasPts)
            return;
        const std::size_t pts = header.mpeg2 ? 9 : header.payloadStart - (header.hasDts ? 10 : 5);
        stamps_.push_back({at + pts, false});
        if (header.hasDts)
            stamps_.push_back({at + (header.mpeg2 ? 14 : header.payloadStart - 5), false});
    };
    if (b.size() >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0xBA) {
        if (b.size() >= 8 && b[b.size() - 4] == 0 && b[b.size() - 3] == 0 && b[b.size() - 2] == 1 &&
            b[b.size() - 1] == 0xB9)
            copy_.resize(b.size() - 4); // the program end code only after the last copy's packs
        for (std::size_t at = 0; at + 6 <= b.size();) {
            if (b[at] != 0 || b[at + 1] != 0 || b[at + 2] != 1)
                throw std::runtime_error("looped program stream: lost the packs");
            if (b[at + 3] == 0xBA) {
                if ((b[at + 4] & 0xF0) != 0x20)
                    throw std::runtime_error("looped program stream: not an MPEG-1 pack");
                stamps_.push_back({at + 4, false});
                at += 12;
                continue;
            }
            const std::size_t length = 6 + ((b[at + 4] << 8) | b[at + 5]);
            if (at + length > b.size())
                break;
            addPesStamps(at, length);
            at += length;
        }
    } else {
        for (std::size_t at = 0; at + 188 <= b.size(); at += 188) {
            const std::uint8_t* p = &b[at];
            std::size_t payload = 4;
            if (p[3] & 0x20) {
                if (p[4] > 0 && (p[5] & 0x10))
                    stamps_.push_back({at + 6, true});
                payload = 5 + p[4];
            }
            if ((p[1] & 0x40) && (p[3] & 0x10) && payload < 188)
                addPesStamps(at + payload, 188 - payload);
        }
    }
}

void LoopedMpegSource::MoveStamp(const Stamp& stamp, std::uint64_t copy, std::uint8_t* field) const {
    const std::uint8_t* b = &copy_[stamp.at];
    const std::uint64_t shift = copy * periodTicks_;
    if (stamp.pcr) {
        const std::uint64_t base = ((static_cast<std::uint64_t>(b[0]) << 25) | (b[1] << 17) | (b[2] << 9) |
                                    (b[3] << 1) | (b[4] >> 7)) +
                                   shift;
        field[0] = static_cast<std::uint8_t>(base >> 25);
        field[1] = static_cast<std::uint8_t>(base >> 17);
        field[2] = static_cast<std::uint8_t>(base >> 9);
        field[3] = static_cast<std::uint8_t>(base >> 1);
        field[4] = static_cast<std::uint8_t>(((base & 1) << 7) | (b[4] & 0x7F));
        field[5] = b[5];
    } else {
        mpeg::WriteStamp(field, b[0] >> 4, (mpeg::ReadStamp(b) + shift) & mpeg::kClockMask);
    }
}

std::size_t LoopedMpegSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
    if (offset >= size_ || copy_.empty())
        return 0;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size_ - offset));
    for (std::size_t done = 0; done < count;) {
        const std::uint64_t at = offset + done;
        const std::uint64_t copy = at / copy_.size();
        const std::size_t into = static_cast<std::size_t>(at % copy_.size());
        const std::size_t run = std::min(count - done, copy_.size() - into);
        std::copy_n(copy_.begin() + static_cast<std::ptrdiff_t>(into), run, buffer.begin() + done);
        auto stamp = std::lower_bound(stamps_.begin(), stamps_.end(), into < 6 ? 0 : into - 6,
                                      [](const Stamp& s, std::size_t position) { return s.at < position; });
        for (; stamp != stamps_.end() && stamp->at < into + run; ++stamp) {
            std::array<std::uint8_t, 6> field{};
            MoveStamp(*stamp, copy, field.data());
            for (std::size_t k = 0; k < (stamp->pcr ? 6u : 5u); ++k)
                if (stamp->at + k >= into && stamp->at + k < into + run)
                    buffer[done + stamp->at + k - into] = field[k];
        }
        done += run;
    }
    bytesRead_ += count;
    ++reads_;
    return count;
}

} // namespace klevotrim::clip::test
