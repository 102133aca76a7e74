#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

class InputFolder {
public:
    InputFolder()
    {
        std::error_code ec;
        std::string tmpl = (fs::temp_directory_path(ec) / "vrt-fuzz-XXXXXX").string();
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()))
            m_path = name.data();
    }
    ~InputFolder()
    {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

}  // namespace

fs::path WriteFuzzInput(const char* name, const uint8_t* data, std::size_t size)
{
    static InputFolder folder;
    FuzzCheck(!folder.Path().empty(), "cannot create the input folder");
    const fs::path path = folder.Path() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    FuzzCheck(out.good(), "cannot write the input file");
    return path;
}

void FuzzCheck(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz property violated: %s\n", what);
        std::abort();
    }
}
