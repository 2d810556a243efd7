#include "CProfileStore.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string Trimmed(const std::string& text)
{
    const char* space = " \t\r\n";
    const size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

std::string FoldCase(const char* text)
{
    std::string folded = text ? text : "";
    for (char& ch : folded) {
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    }
    return folded;
}

} // namespace

CString CProfileStore::ConfigFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && *configHome == '/')
        return configHome;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : "/tmp";
    }
    return CString(home) + "/.config";
}

void CProfileStore::SetLocation(LPCTSTR registryKey, LPCTSTR applicationName)
{
    Load(ConfigFolder() + "/" + registryKey + "/" + applicationName + ".ini");
}

void CProfileStore::Load(LPCTSTR path)
{
    m_path = path;
    m_values.clear();
    std::ifstream file(static_cast<const char*>(m_path));
    std::string section;
    for (std::string line; std::getline(file, line);) {
        line = Trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = Trimmed(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = Key(section.c_str(), Trimmed(line.substr(0, equals)).c_str());
        m_values.emplace(key, Trimmed(line.substr(equals + 1))); // the first one stays
    }
}

std::string CProfileStore::Key(LPCTSTR section, LPCTSTR entry)
{
    return FoldCase(section) + "\n" + FoldCase(entry);
}

const std::string* CProfileStore::Find(LPCTSTR section, LPCTSTR entry) const
{
    auto found = m_values.find(Key(section, entry));
    return found == m_values.end() ? nullptr : &found->second;
}

UINT CProfileStore::GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue) const
{
    const std::string* value = Find(section, entry);
    if (!value || value->empty())
        return static_cast<UINT>(defaultValue);
    const char* text = value->c_str();
    const bool negative = *text == '-';
    if (negative || *text == '+')
        ++text;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    const unsigned long long magnitude = std::strtoull(hex ? text + 2 : text, nullptr, hex ? 16 : 10);
    if (errno == ERANGE)
        return 0;
    const auto bits = static_cast<UINT>(magnitude & 0xFFFFFFFFu);
    return negative ? 0u - bits : bits;
}

CString CProfileStore::GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue) const
{
    const std::string* value = Find(section, entry);
    return value ? CString(value->c_str()) : CString(defaultValue);
}
