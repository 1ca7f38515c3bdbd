#include "Platform/SharedLibrary.h"

#include <dlfcn.h>

namespace vsp {

namespace {

QString loaderError()
{
    const char* text = dlerror();
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

} // namespace

std::optional<SharedLibrary> SharedLibrary::open(const char* fileName, QString* error)
{
    void* handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *error = loaderError();
        return std::nullopt;
    }
    return SharedLibrary(handle);
}

void* SharedLibrary::address(const char* name, QString* error) const
{
    dlerror();
    void* found = dlsym(m_handle, name);
    if (!found) {
        *error = loaderError();
    }
    return found;
}

} // namespace vsp
