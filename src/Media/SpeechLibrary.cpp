#include "Media/SpeechLibrary.h"

#include "Platform/SharedLibrary.h"

std::unique_ptr<const SpeechLibrary> SpeechLibrary::open(const char* pocketsphinx, const char* sphinxbase,
                                                         QString* error)
{
    // sphinxbase first: pocketsphinx needs it, and the command-line functions are its own.
    const std::optional<vsp::SharedLibrary> base = vsp::SharedLibrary::open(sphinxbase, error);
    if (!base) {
        return nullptr;
    }
    return vsp::openTable<SpeechLibrary>(pocketsphinx, error, [&](const vsp::SharedLibrary& ps, SpeechLibrary& table) {
        return base->find("cmd_ln_init", table.cmdLnInit, error) && base->find("cmd_ln_free_r", table.cmdLnFree, error)
               && ps.find("ps_args", table.args, error) && ps.find("ps_init", table.init, error)
               && ps.find("ps_free", table.free, error) && ps.find("ps_get_feat", table.getFeat, error)
               && ps.find("ps_start_utt", table.startUtt, error) && ps.find("ps_process_raw", table.processRaw, error)
               && ps.find("ps_end_utt", table.endUtt, error) && ps.find("ps_get_hyp", table.getHyp, error);
    });
}

const SpeechLibrary* SpeechLibrary::installed()
{
    // Never freed: a recogniser may still be released on a pool thread while the process exits.
    return vsp::openOnce<SpeechLibrary>(QStringLiteral("speech recognition"), [](QString* error) {
        return open("libpocketsphinx.so.3", "libsphinxbase.so.3", error);
    });
}
