// The sole owner of one handle: the handle is closed when its owner goes or is reset, and
// the thread's last error stays what it was before the close, so that an owner going while
// an error travels up does not change the error.
#pragma once

#include <windows.h>

#include <utility>

namespace handles {

// Traits name the handle type, the value that holds nothing and the close function:
//   struct Traits {
//       using Handle = ...;
//       static Handle empty() noexcept;
//       static void close(Handle handle) noexcept;
//   };
template <typename Traits>
class HandleOwner {
public:
    using Handle = typename Traits::Handle;

    HandleOwner() noexcept = default;
    // Takes the handle over: it is closed by this owner and by nothing else.
    explicit HandleOwner(Handle handle) noexcept : m_handle(handle) {}
    ~HandleOwner() { reset(); }

    HandleOwner(HandleOwner &&other) noexcept : m_handle(other.release()) {}
    HandleOwner &operator=(HandleOwner &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    HandleOwner(const HandleOwner &) = delete;
    HandleOwner &operator=(const HandleOwner &) = delete;

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::empty(); }

    // Gives the handle up without closing it.
    Handle release() noexcept { return std::exchange(m_handle, Traits::empty()); }

    // Closes the handle held, if any, and takes the given one.
    void reset(Handle handle = Traits::empty()) noexcept
    {
        const Handle old = std::exchange(m_handle, handle);
        if (old == Traits::empty())
            return;
        const DWORD lastError = GetLastError();
        Traits::close(old);
        SetLastError(lastError);
    }

private:
    Handle m_handle = Traits::empty();
};

} // namespace handles
