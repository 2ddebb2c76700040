#include "bitmap/LogoPrint.h"

#include "protocol/Commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <tuple>

namespace printbench::bitmap {

namespace fs = std::filesystem;
namespace p = protocol;

namespace {

// Large enough for any bitmap a logo can be made of (4,095 bytes a row, 6,120 rows) with room
// for bytes after the declared size, which are ignored.
constexpr std::uintmax_t kLargestBitmap = 64u << 20;

// The whole file, or nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(size, kLargestBitmap)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return std::nullopt;
    return bytes;
}

// A work file made for one print and removed when the print ends, on every path. A left-over
// regular file of that name is replaced; a symbolic link or anything that is not a regular file
// is left alone and the print refused, so nothing is ever written through a link.
class WorkFile {
public:
    explicit WorkFile(fs::path path) : m_path(std::move(path)) {}
    ~WorkFile()
    {
        if (m_created) ::unlink(m_path.c_str());
    }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    // Empty on success, otherwise the reason.
    std::string write(std::span<const std::uint8_t> bytes)
    {
        struct stat st {};
        if (::lstat(m_path.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode)) return "it exists and is not a regular file (a link, a folder or a device)";
            if (::unlink(m_path.c_str()) != 0) return std::strerror(errno);
        }
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return std::strerror(errno);
        m_created = true;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const std::string why = n < 0 ? std::strerror(errno) : "nothing was written";
                ::close(fd);
                return why;
            }
            done += static_cast<std::size_t>(n);
        }
        if (::close(fd) != 0) return std::strerror(errno);
        return {};
    }

private:
    fs::path m_path;
    bool m_created = false;
};

}  // namespace

void encodeBand(const LogoGeometry& g, std::span<const std::uint8_t> columnFile, int band,
                std::vector<std::uint8_t>& out)
{
    const int n = g.bandColumns();
    const std::size_t columnBytes = static_cast<std::size_t>(g.ColumnBytes);
    out.assign(5 + 3 * static_cast<std::size_t>(n) + 1, 0);
    std::copy(p::BitImage24.begin(), p::BitImage24.end(), out.begin());
    out[3] = static_cast<std::uint8_t>(n & 0xFF);
    out[4] = static_cast<std::uint8_t>(n >> 8);
    out.back() = p::LineFeed[0];
    const std::size_t first = 3 * static_cast<std::size_t>(band);
    const std::size_t bytesHere = std::min<std::size_t>(3, columnBytes - first);
    std::uint8_t* to = out.data() + 5;
    for (int j = 0; j < n && j < g.ImageWidth; ++j, to += 3) {
        const std::uint8_t* column = &columnFile[static_cast<std::size_t>(j) * columnBytes + first];
        for (std::size_t k = 0; k < bytesHere; ++k) to[k] = column[k];
    }
}

void SendLogo(link::PrinterChannel& channel, const LogoGeometry& g, std::span<const std::uint8_t> columnFile)
{
    if (channel.route() == link::Route::None) return;

    for (const std::uint8_t b : p::LineSpacing24) channel.byte(b);
    channel.command(p::PageMode);
    channel.command(p::PageDirectionLeftToRight);
    channel.command(p::PageArea);
    for (const std::uint8_t b : p::LogoPageArea) channel.byte(b);

    std::vector<std::uint8_t> band;
    for (int b = 0; b < g.bands(); ++b) {
        encodeBand(g, columnFile, b, band);
        channel.bytes(band);
    }
    channel.command(p::PrintPage);
    channel.command(p::StandardMode);
    channel.command(p::PrintAndFeed127);
    channel.command(p::FullCut);
    channel.command(p::Recover);
}

LogoPrintResult PrintLogo(const fs::path& folder, const std::string& name, const fs::path& workFolder,
                          link::PrinterChannel& channel)
{
    using link::FailureKind;
    const auto refused = [&](FailureKind kind, const std::string& reason = {}) {
        return LogoPrintResult{link::Failure::of(kind, channel.route(), {}, {}, reason).withFile(name)};
    };
    const auto file = readFile(folder / name);
    if (!file) return refused(FailureKind::NotABitmap);
    switch (CheckBitmapHeader(*file)) {
    case HeaderCheck::NotABitmap: return refused(FailureKind::NotABitmap);
    case HeaderCheck::TooShort:
        return refused(FailureKind::NotABitmap, "The file is shorter than the 62-byte header of a bitmap.");
    case HeaderCheck::NotBlackFirst: return refused(FailureKind::NotMonochrome);
    case HeaderCheck::Valid: break;
    }
    const GeometryResult geometry = logoGeometry(*file);
    if (!geometry.geometry) return refused(FailureKind::NotABitmap, geometry.refusal);
    const LogoGeometry& g = *geometry.geometry;

    const std::vector<std::uint8_t> rows = WriteRowFile(*file, g);
    const std::vector<std::uint8_t> columns = BuildColumnFile(rows, g);
    WorkFile rowFile(workFolder / kRowFileName);
    WorkFile columnFile(workFolder / kColumnFileName);
    for (auto [work, bytes, fileName] :
         {std::tuple{&rowFile, std::span<const std::uint8_t>(rows), kRowFileName},
          std::tuple{&columnFile, std::span<const std::uint8_t>(columns), kColumnFileName}}) {
        const std::string failure = work->write(bytes);
        if (!failure.empty()) {
            return LogoPrintResult{link::Failure::of(FailureKind::WorkFileFailed, channel.route(), {}, {}, failure)
                                       .withFile((workFolder / fileName).string())};
        }
    }
    SendLogo(channel, g, columns);
    return {};
}

}  // namespace printbench::bitmap
