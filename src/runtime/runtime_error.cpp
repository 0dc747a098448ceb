#include "runtime/runtime_error.h"

#include <new>

#include "runtime/numbers.h"

namespace glimra::runtime {

std::wstring_view RuntimeError::description() const {
    switch (number) {
        case kErrInvalidCall:
            return L"无效的过程调用或参数";
        case kErrOverflow:
            return L"溢出";
        case kErrOutOfMemory:
            return L"内存不足";
        case kErrLoadingLibrary:
            return L"加载 DLL 错误";
        case kErrPermissionDenied:
            return L"拒绝的权限";
        default:
            return L"内部错误";
    }
}

void Raise(int number) { throw RuntimeError{number}; }

RuntimeError CurrentError() noexcept {
    try {
        throw;
    } catch (const RuntimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return {kErrOutOfMemory};
    } catch (...) {
        return {kErrInternal};
    }
}

std::wstring ErrorHeading(int number) { return L"运行时错误 '" + NumberText(number) + L"':"; }

}  // namespace glimra::runtime
