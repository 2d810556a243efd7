// The application profile, kept in an INI-style file where the framework
// used the registry: SetLocation("Norvane", "Viewer") selects
// $XDG_CONFIG_HOME/Norvane/Viewer.ini (~/.config when unset). Sections and
// entries match without regard to case, as registry keys do; the first of
// duplicate entries wins. A missing or unreadable file is an empty profile.
//
//   [OverlayLine]
//   PenWidth=2
#pragma once

#include <map>
#include <string>

#include "CString.h"

class CProfileStore {
public:
    void SetLocation(LPCTSTR registryKey, LPCTSTR applicationName);
    // Reads the given file directly; used by SetLocation.
    void Load(LPCTSTR path);
    CString GetPath() const { return m_path; }

    // The entry's decimal (or 0x hexadecimal) value as a registry DWORD;
    // the default when the entry is absent or empty, 0 when it is not a
    // number.
    UINT GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue) const;
    CString GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue = nullptr) const;

    static CString ConfigFolder();

private:
    // Lower-cased ASCII letters: "section\nentry".
    static std::string Key(LPCTSTR section, LPCTSTR entry);
    const std::string* Find(LPCTSTR section, LPCTSTR entry) const;

    CString m_path;
    std::map<std::string, std::string> m_values;
};
