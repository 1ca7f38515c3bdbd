#include "Media/SpeechLibrary.h"

#include "Model/Log.h"

#include <dlfcn.h>

#include <mutex>

namespace {

QString loaderError()
{
    const char* text = dlerror();
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

template <typename Function>
bool find(void* library, const char* name, Function& into, QString* error)
{
    dlerror();
    void* address = dlsym(library, name);
    if (!address) {
        *error = loaderError();
        return false;
    }
    into = reinterpret_cast<Function>(address);
    return true;
}

} // namespace

std::unique_ptr<const SpeechLibrary> SpeechLibrary::open(const char* pocketsphinx, const char* sphinxbase,
                                                         QString* error)
{
    // sphinxbase first: pocketsphinx needs it, and the command-line functions are its own.
    void* base = dlopen(sphinxbase, RTLD_NOW | RTLD_LOCAL);
    if (!base) {
        *error = loaderError();
        return nullptr;
    }
    void* ps = dlopen(pocketsphinx, RTLD_NOW | RTLD_LOCAL);
    if (!ps) {
        *error = loaderError();
        return nullptr;
    }
    auto library = std::make_unique<SpeechLibrary>();
    const bool complete =
        find(base, "cmd_ln_init", library->cmdLnInit, error) && find(base, "cmd_ln_free_r", library->cmdLnFree, error)
        && find(ps, "ps_args", library->args, error) && find(ps, "ps_init", library->init, error)
        && find(ps, "ps_free", library->free, error) && find(ps, "ps_get_feat", library->getFeat, error)
        && find(ps, "ps_start_utt", library->startUtt, error) && find(ps, "ps_process_raw", library->processRaw, error)
        && find(ps, "ps_end_utt", library->endUtt, error) && find(ps, "ps_get_hyp", library->getHyp, error);
    if (!complete) {
        return nullptr;
    }
    return library;
}

const SpeechLibrary* SpeechLibrary::installed()
{
    static std::once_flag once;
    // Never freed: a recogniser may still be released on a pool thread while the process exits.
    static const SpeechLibrary* library = nullptr;
    std::call_once(once, [] {
        QString error;
        library = open("libpocketsphinx.so.3", "libsphinxbase.so.3", &error).release();
        if (!library) {
            vsp::logFailure(QStringLiteral("speech recognition"), error);
        }
    });
    return library;
}
