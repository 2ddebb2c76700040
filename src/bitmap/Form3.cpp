#include "bitmap/Form3.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace printbench::bitmap {

using link::PrinterLink;
using link::Route;
using shell::Control;
using shell::Icon;
namespace fs = std::filesystem;

namespace {

const std::string kW1 = "비트맵 파일이 틀립니다...";
const std::string kW2 = "컬러가 흑백이 아닙니다. 흑백으로 바꿔주십시오...";

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

} // namespace

Form3::Form3(shell::Form1& main, shell::WindowFields& fields, fs::path workFolder)
    : m_main(main), m_fields(fields), m_workFolder(std::move(workFolder))
{
}

void Form3::Form_Load()
{
    m_fields.setText(Control::Label2, "If you double-click on that file can be selected or deselected. If you want to "
                                      "disable the file, all the files under it is turned off.\r\n");
    Dir1_Change();
}

void Form3::Dir1_Change()
{
    const std::string folder = m_fields.text(Control::Dir1);
    m_fields.setText(Control::Label11, "위치: " + folder);
    m_fields.setText(Control::Label12, folder);
}

void Form3::File1_DblClick(const std::string& name)
{
    m_fields.addListItem(Control::Form3List1,
                         std::to_string(m_fields.listCount(Control::Form3List1) + 1) + ". " + name);
    m_fields.addListItem(Control::Form3List2, name);
}

void Form3::removeTail(int from)
{
    for (int c = m_fields.listCount(Control::Form3List1) - from; c > 0; --c) {
        m_fields.removeListItem(Control::Form3List1, from);
        m_fields.removeListItem(Control::Form3List2, from);
    }
}

void Form3::List1_DblClick()
{
    const int i = m_fields.listIndex(Control::Form3List1);
    if (i >= 0) removeTail(i);
}

void Form3::Command2_Click()
{
    removeTail(0);
}

void Form3::warn(const std::string& firstLine, const std::string& name, const std::string& reason)
{
    m_main.MsgBox(Icon::Warning, firstLine + "\r\n" + "파일명: " + name + (reason.empty() ? "" : "\r\n" + reason));
}

void Form3::Command1_Click()
{
    const PrinterLink::HandlerScope scope(m_main.link());
    if (m_fields.listCount(Control::Form3List2) == 0) {
        m_main.MsgBox(Icon::Warning, "선택된 파일이 없습니다.");
        return;
    }
    const std::string name = m_fields.listItem(Control::Form3List2, 0);
    const auto file = readFile(fs::path(m_fields.text(Control::Label12)) / name);
    if (!file) return warn(kW1, name);
    switch (CheckBitmapHeader(*file)) {
    case HeaderCheck::NotABitmap: return warn(kW1, name);
    case HeaderCheck::TooShort: return warn(kW1, name, "The file is shorter than the 62-byte header of a bitmap.");
    case HeaderCheck::NotBlackFirst: return warn(kW2, name);
    case HeaderCheck::Valid: break;
    }
    const GeometryResult geometry = logoGeometry(*file);
    if (!geometry.geometry) return warn(kW1, name, geometry.refusal);
    const LogoGeometry& g = *geometry.geometry;

    const std::vector<std::uint8_t> rows = WriteRowFile(*file, g);
    const std::vector<std::uint8_t> columns = BuildColumnFile(rows, g);
    {
        WorkFile rowFile(m_workFolder / kRowFileName);
        WorkFile columnFile(m_workFolder / kColumnFileName);
        for (auto [work, bytes, fileName] : {std::tuple{&rowFile, std::span<const std::uint8_t>(rows), kRowFileName},
                                             std::tuple{&columnFile, std::span<const std::uint8_t>(columns), kColumnFileName}}) {
            const std::string failure = work->write(bytes);
            if (!failure.empty()) {
                m_main.MsgBox(Icon::Critical, "The work file " + (m_workFolder / fileName).string() +
                                                  " could not be written, so nothing was printed.\r\nReason: " + failure);
                return;
            }
        }
        SendLogo(g, columns);
        m_main.link().flush();
    }
    // A print whose bytes did not reach the printer has been reported; it is not complete.
    if (m_main.link().failedInHandler()) return;
    m_main.MsgBox(Icon::None, "데이터 출력을 완료했습니다");
}

void Form3::SendLogo(const LogoGeometry& g, std::span<const std::uint8_t> columnFile)
{
    PrinterLink& link = m_main.link();
    const Route route = link.route();
    if (route == Route::None) return;

    // One byte alone: a byte-array write of one byte on serial, one call on USB.
    const auto byte = [&](std::uint8_t b) {
        if (route == Route::Serial) link.SendSerialBytes(std::span(&b, 1));
        else link.SendUsbByte(b);
    };
    // A fixed command: one text write on serial, a call per byte on USB.
    const auto command = [&](std::string_view bytes) {
        if (route == Route::Serial) link.SendSerialText(bytes);
        else for (const char b : bytes) link.SendUsbByte(static_cast<std::uint8_t>(b));
    };

    for (const std::uint8_t b : {0x1B, 0x33, 0x18}) byte(b);  // ESC 3 24
    command("\x1B\x4C");                                        // ESC L: page mode
    command(std::string_view("\x1B\x54\x00", 3));               // ESC T 0
    command("\x1B\x57");                                        // ESC W: 431 x 520 dots from 0, 0
    for (const std::uint8_t b : {0x00, 0x00, 0x00, 0x00, 0xAF, 0x01, 0x08, 0x02}) byte(b);

    // A band is 5 + 3n + 1 bytes: ESC * 33 nL nH, three bytes for each of the n columns (the
    // part of the band a column holds, blank past the image or below its last row), LF. On
    // serial it leaves as one byte-array write; the bytes on the wire are those of one write
    // per byte.
    const int n = g.bandColumns();
    const std::size_t columnBytes = static_cast<std::size_t>(g.ColumnBytes);
    std::vector<std::uint8_t> band(5 + 3 * static_cast<std::size_t>(n) + 1, 0);
    band[0] = 0x1B;
    band[1] = 0x2A;
    band[2] = 0x21;
    band[3] = static_cast<std::uint8_t>(n & 0xFF);
    band[4] = static_cast<std::uint8_t>(n >> 8);
    band.back() = 0x0A;
    for (int b = 0; b < g.bands(); ++b) {
        const std::size_t first = 3 * static_cast<std::size_t>(b);
        const std::size_t bytesHere = std::min<std::size_t>(3, columnBytes - first);
        std::uint8_t* out = band.data() + 5;
        for (int j = 0; j < n; ++j, out += 3) {
            const std::uint8_t* column = j < g.ImageWidth ? &columnFile[static_cast<std::size_t>(j) * columnBytes + first] : nullptr;
            for (std::size_t k = 0; k < 3; ++k) out[k] = column && k < bytesHere ? column[k] : 0;
        }
        if (route == Route::Serial) link.SendSerialBytes(band);
        else for (const std::uint8_t v : band) link.SendUsbByte(v);
    }
    command("\x1B\x0C");                        // ESC FF: print the page
    command("\x1B\x53");                        // ESC S: standard mode
    command("\x1B\x4A\x7F");                    // ESC J 127
    command("\x1B\x69");                        // ESC i
    command(std::string_view("\x10\x05\x02", 3));  // DLE ENQ 2
}

} // namespace printbench::bitmap
