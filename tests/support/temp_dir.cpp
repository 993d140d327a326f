#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace zrt::test {

TempDir::TempDir() {
    std::random_device rd;
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / ("zrt-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p.string();
            return;
        }
    }
    std::abort();
}

TempDir::~TempDir() {
    std::error_code ec;
#ifdef _WIN32
    // Windows deletes no read-only file: tests leave some behind.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
#endif
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return path_ + "/" + name; }

ScopedCwd::ScopedCwd(const std::string& directory) : previous_(fs::current_path().string()) {
    fs::current_path(directory);
}

ScopedCwd::~ScopedCwd() {
    std::error_code ec;
    fs::current_path(previous_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value, bool unset) : name_(name) {
    const char* old = std::getenv(name);
    hadPrevious_ = old != nullptr;
    if (old) previous_ = old;
#ifdef _WIN32
    _putenv_s(name, unset ? "" : value.c_str());
#else
    if (unset) unsetenv(name); else setenv(name, value.c_str(), 1);
#endif
}

ScopedEnv::~ScopedEnv() {
#ifdef _WIN32
    _putenv_s(name_.c_str(), hadPrevious_ ? previous_.c_str() : "");
#else
    if (hadPrevious_) setenv(name_.c_str(), previous_.c_str(), 1); else unsetenv(name_.c_str());
#endif
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

}  // namespace zrt::test
