#pragma once
// Template body of glimra::win32::Guarded.
#include <new>

namespace glimra::win32 {

template <typename Body>
auto Guarded(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const RuntimeError& error) {
        ReportRuntimeError(error);
    } catch (const std::bad_alloc&) {
        ReportRuntimeError({7, L"内存不足"});
    } catch (...) {
        ReportRuntimeError({51, L"内部错误"});
    }
}

}  // namespace glimra::win32
