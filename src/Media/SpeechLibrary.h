#pragma once

#include <QString>

#include <memory>

#include <pocketsphinx.h>

/// The pocketsphinx and sphinxbase functions the transcriber calls. The libraries are opened when the
/// first voice note is transcribed rather than linked: they bring LAPACK, BLAS and the Fortran runtime
/// with them, which every start would otherwise load for a feature most runs never use.
struct SpeechLibrary final {
    decltype(&cmd_ln_init) cmdLnInit = nullptr;
    decltype(&cmd_ln_free_r) cmdLnFree = nullptr;
    decltype(&ps_args) args = nullptr;
    decltype(&ps_init) init = nullptr;
    decltype(&ps_free) free = nullptr;
    decltype(&ps_get_feat) getFeat = nullptr;
    decltype(&ps_start_utt) startUtt = nullptr;
    decltype(&ps_process_raw) processRaw = nullptr;
    decltype(&ps_end_utt) endUtt = nullptr;
    decltype(&ps_get_hyp) getHyp = nullptr;

    /// Opens the libraries with these file names and finds every function; nothing, with the loader's
    /// text in `error`, when a library or a function is missing. Opened libraries are never closed.
    static std::unique_ptr<const SpeechLibrary> open(const char* pocketsphinx, const char* sphinxbase, QString* error);

    /// The installed libraries, opened by the first call (blocking; thread-safe). Nothing when they
    /// cannot be opened, which is printed once.
    static const SpeechLibrary* installed();
};
