#pragma once

#include <QString>

#include <memory>

#include <gst/gst.h>

/// The GStreamer functions the media warm-up and the recorder's encoder call. The library is opened by the warm-up rather than
/// linked: it brings libdw, libelf and libunwind into every start, while the warm-up runs only once a
/// window is on screen and recording and playing reach GStreamer through Qt Multimedia's own backend.
struct GStreamerLibrary final {
    decltype(&gst_init_check) initCheck = nullptr;
    decltype(&gst_plugin_load_by_name) pluginLoadByName = nullptr;
    decltype(&gst_object_unref) objectUnref = nullptr;
    decltype(&gst_mini_object_unref) miniObjectUnref = nullptr;
    decltype(&gst_element_factory_make) elementFactoryMake = nullptr;
    decltype(&gst_device_provider_factory_list_get_device_providers) deviceProviderFactories = nullptr;
    decltype(&gst_plugin_feature_load) pluginFeatureLoad = nullptr;
    decltype(&gst_plugin_feature_list_free) pluginFeatureListFree = nullptr;
    decltype(&gst_element_factory_list_get_elements) elementFactories = nullptr;
    decltype(&gst_element_factory_get_static_pad_templates) staticPadTemplates = nullptr;
    decltype(&gst_static_caps_get) staticCapsGet = nullptr;
    // Encoding a recording (AacEncoding).
    decltype(&gst_element_factory_find) elementFactoryFind = nullptr;
    decltype(&gst_parse_launch) parseLaunch = nullptr;
    decltype(&gst_bin_get_by_name) binGetByName = nullptr;
    decltype(&g_object_set) objectSet = nullptr;
    decltype(&gst_element_set_state) elementSetState = nullptr;
    decltype(&gst_element_get_bus) elementGetBus = nullptr;
    decltype(&gst_bus_timed_pop_filtered) busTimedPopFiltered = nullptr;
    decltype(&gst_message_parse_error) messageParseError = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
    decltype(&g_free) gFree = nullptr;

    /// Opens the library with this file name and finds every function; nothing, with the loader's text
    /// in `error`, when the library or a function is missing.
    static std::unique_ptr<const GStreamerLibrary> open(const char* fileName, QString* error);

    /// The installed library, opened by the first call (blocking; thread-safe). Nothing when it cannot
    /// be opened, which is printed once.
    static const GStreamerLibrary* installed();
};
