#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace printbench::testkit {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "printbench-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace printbench::testkit
