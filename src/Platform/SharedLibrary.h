#pragma once

#include "Model/Log.h"

#include <QString>

#include <memory>
#include <optional>

namespace vsp {

/// A library opened at run time by its file name rather than linked, for features most runs never use:
/// a linked library, and all it needs, is mapped and relocated at every start. Opened libraries are
/// never closed, so what they hand out may outlive every caller.
class SharedLibrary final {
public:
    /// Opens the library with this file name, every symbol bound now and none shared with libraries
    /// opened later; nothing, with the loader's text in `error`, when it cannot be opened.
    static std::optional<SharedLibrary> open(const char* fileName, QString* error);

    /// Points `into` at the function of this name; false, with the loader's text in `error`, when the
    /// library has none.
    template <typename Function>
    bool find(const char* name, Function& into, QString* error) const
    {
        void* found = address(name, error);
        if (!found) {
            return false;
        }
        into = reinterpret_cast<Function>(found);
        return true;
    }

private:
    explicit SharedLibrary(void* handle) : m_handle(handle) { }
    void* address(const char* name, QString* error) const;

    void* m_handle;
};

/// A table of functions from the library with this file name: `find(library, table)` points the table's
/// members at them (with `SharedLibrary::find`). Nothing, with the loader's text in `error`, when the
/// library cannot be opened or `find` gives false.
template <typename Table, typename Find>
std::unique_ptr<const Table> openTable(const char* fileName, QString* error, Find find)
{
    const std::optional<SharedLibrary> library = SharedLibrary::open(fileName, error);
    auto table = std::make_unique<Table>();
    if (!library || !find(*library, *table)) {
        return nullptr;
    }
    return table;
}

/// The table of functions that `open` makes (a `std::unique_ptr<const Table>`, nothing with the reason
/// in its `QString*` when a library or a function is missing), made by the first call of each `Table` and
/// kept for the process. Blocking and thread-safe; a failure is printed once as `what` failed.
template <typename Table, typename Open>
const Table* openOnce(const QString& what, Open open)
{
    static const Table* const table = [&] {
        QString error;
        const Table* made = open(&error).release();
        if (!made) {
            logFailure(what, error);
        }
        return made;
    }();
    return table;
}

} // namespace vsp
