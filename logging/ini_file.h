// ini_file.h - CIniFile, the small in-memory INI file behind the language
// table: sections of untrimmed key=value pairs and comments, looked up by
// section and key name (without regard to case when caseInsensitive).
#ifndef QX_INI_FILE_H
#define QX_INI_FILE_H

#include <string>
#include <vector>

class CIniFile {
public:
    explicit CIniFile(const std::string& path);

    // Reads the file; a missing file leaves the table empty.  Reading stops
    // at a line whose first character is not printable ASCII.
    void Load();

    // The value of key in the first section named section, else defaultValue.
    // The reference stays valid as long as the table is not changed.
    const std::string& GetValue(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const;
    // Stores a value; when create is false only existing keys change.
    void SetValue(const std::string& section, const std::string& key,
                  const std::string& value, bool create);

    std::size_t SectionCount() const { return m_sections.size(); }
    const std::vector<std::string>& HeaderComments() const { return m_headerComments; }

private:
    struct Section {
        std::vector<std::string> keys;
        std::vector<std::string> values;  // parallel to keys
        std::vector<std::string> comments;
    };

    bool readLine(const std::string& line, std::string& currentSection);
    int findSection(const std::string& name) const;
    int findKey(const Section& section, const std::string& key) const;
    bool sameName(const std::string& a, const std::string& b) const;

    bool m_caseInsensitive = true;
    std::string m_path;
    std::vector<Section> m_sections;
    std::vector<std::string> m_sectionNames;  // parallel to m_sections
    std::vector<std::string> m_headerComments;
};

#endif  // QX_INI_FILE_H
