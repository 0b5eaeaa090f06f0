#include "testkit.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testkit {

TempDir::TempDir()
{
    std::string templ = (std::filesystem::temp_directory_path() / "qxtest-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = templ;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name)
{
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (old)
        m_old = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

} // namespace testkit
