// ini_file.cpp - reading and querying CIniFile.  A line's meaning is given
// by the first of ";#[=" anywhere in it: a comment, a section header
// (the name up to the last "]"), or a key line (everything before the "="
// is the key, everything after it the value, untrimmed).
#include "logging/ini_file.h"

#include <cctype>
#include <cstdio>
#include <fstream>

namespace {

bool printableAscii(char c) { return c >= ' ' && c <= '~'; }

}  // namespace

CIniFile::CIniFile(const std::string& path) : m_path(path) {}

void CIniFile::Load() {
    std::ifstream in(m_path, std::ios::binary);
    std::string currentSection;
    for (std::string line; in && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!readLine(line, currentSection)) break;
    }
}

// False when reading must stop at this line.
bool CIniFile::readLine(const std::string& line, std::string& currentSection) {
    if (!printableAscii(line[0])) {
        std::printf("Failing on char %d\n", static_cast<int>(static_cast<signed char>(line[0])));
        std::fflush(stdout);
        return false;
    }
    std::string::size_type at = line.find_first_of(";#[=");
    if (at == std::string::npos) return true;
    switch (line[at]) {
        case ';':
        case '#':
            if (m_sections.empty()) {
                m_headerComments.push_back(line.substr(at + 1));
            } else {
                int index = findSection(currentSection);
                if (index < 0) index = static_cast<int>(m_sections.size()) - 1;
                m_sections[static_cast<std::size_t>(index)].comments.push_back(line.substr(at + 1));
            }
            break;
        case '[': {
            std::string::size_type close = line.rfind(']');
            if (close == std::string::npos || close < at) break;
            currentSection = line.substr(at + 1, close - at - 1);
            m_sectionNames.push_back(currentSection);
            m_sections.emplace_back();
            break;
        }
        default:
            SetValue(currentSection, line.substr(0, at), line.substr(at + 1), true);
            break;
    }
    return true;
}

const std::string& CIniFile::GetValue(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
    int index = findSection(section);
    if (index < 0) return defaultValue;
    const Section& found = m_sections[static_cast<std::size_t>(index)];
    int keyIndex = findKey(found, key);
    return keyIndex < 0 ? defaultValue : found.values[static_cast<std::size_t>(keyIndex)];
}

void CIniFile::SetValue(const std::string& section, const std::string& key,
                        const std::string& value, bool create) {
    int index = findSection(section);
    if (index < 0) {
        if (!create) return;
        m_sectionNames.push_back(section);
        m_sections.emplace_back();
        index = static_cast<int>(m_sections.size()) - 1;
    }
    Section& target = m_sections[static_cast<std::size_t>(index)];
    int keyIndex = findKey(target, key);
    if (keyIndex >= 0) {
        target.values[static_cast<std::size_t>(keyIndex)] = value;
    } else if (create) {
        target.keys.push_back(key);
        target.values.push_back(value);
    }
}

int CIniFile::findSection(const std::string& name) const {
    for (std::size_t i = 0; i < m_sectionNames.size(); ++i) {
        if (sameName(m_sectionNames[i], name)) return static_cast<int>(i);
    }
    return -1;
}

int CIniFile::findKey(const Section& section, const std::string& key) const {
    for (std::size_t i = 0; i < section.keys.size(); ++i) {
        if (sameName(section.keys[i], key)) return static_cast<int>(i);
    }
    return -1;
}

bool CIniFile::sameName(const std::string& a, const std::string& b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (m_caseInsensitive) {
            x = static_cast<char>(std::tolower(static_cast<unsigned char>(x)));
            y = static_cast<char>(std::tolower(static_cast<unsigned char>(y)));
        }
        if (x != y) return false;
    }
    return true;
}
