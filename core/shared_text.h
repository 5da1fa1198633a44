// shared_text.h - a text shared between the application's thread and the
// device library's callback thread.  Each access holds a small lock only
// for the copy or the comparison, so every reader sees a whole text.
#ifndef QX_SHARED_TEXT_H
#define QX_SHARED_TEXT_H

#include <mutex>
#include <string>

class SharedText {
public:
    std::string get() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text;
    }
    void set(const std::string& text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_text = text;
    }
    void clear() { set(std::string()); }
    bool equals(const std::string& text) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_text == text;
    }

private:
    mutable std::mutex m_mutex;
    std::string m_text;
};

#endif  // QX_SHARED_TEXT_H
