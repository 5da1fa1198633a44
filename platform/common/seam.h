// seam.h - a replaceable value that two threads may read while a test
// replaces it: the clock, sleep and directory seams of the platform layer.
// Readers get their own copy, so a swap never pulls a function out from
// under a caller that is running it.  Seams are created with new and never
// destroyed: the library's destructors may still log (and so read the
// clock) while static objects are being torn down.
#ifndef QX_PLATFORM_SEAM_H
#define QX_PLATFORM_SEAM_H

#include <mutex>
#include <utility>

namespace qxplat {

template <typename T>
class Seam {
public:
    T get() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_value;
    }
    void set(T value) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_value = std::move(value);
    }

private:
    mutable std::mutex m_mutex;
    T m_value{};
};

}  // namespace qxplat

#endif  // QX_PLATFORM_SEAM_H
