#include "Media/GStreamerLibrary.h"

#include "Platform/SharedLibrary.h"

std::unique_ptr<const GStreamerLibrary> GStreamerLibrary::open(const char* fileName, QString* error)
{
    return vsp::openTable<GStreamerLibrary>(
        fileName, error, [error](const vsp::SharedLibrary& library, GStreamerLibrary& table) {
            return library.find("gst_init_check", table.initCheck, error)
                   && library.find("gst_plugin_load_by_name", table.pluginLoadByName, error)
                   && library.find("gst_object_unref", table.objectUnref, error)
                   && library.find("gst_mini_object_unref", table.miniObjectUnref, error)
                   && library.find("gst_element_factory_make", table.elementFactoryMake, error)
                   && library.find("gst_device_provider_factory_list_get_device_providers",
                                   table.deviceProviderFactories, error)
                   && library.find("gst_plugin_feature_load", table.pluginFeatureLoad, error)
                   && library.find("gst_plugin_feature_list_free", table.pluginFeatureListFree, error)
                   && library.find("gst_element_factory_list_get_elements", table.elementFactories, error)
                   && library.find("gst_element_factory_get_static_pad_templates", table.staticPadTemplates, error)
                   && library.find("gst_static_caps_get", table.staticCapsGet, error)
                   && library.find("gst_element_factory_find", table.elementFactoryFind, error)
                   && library.find("gst_parse_launch", table.parseLaunch, error)
                   && library.find("gst_bin_get_by_name", table.binGetByName, error)
                   // GLib's, found through GStreamer, which needs them.
                   && library.find("g_object_set", table.objectSet, error)
                   && library.find("gst_element_set_state", table.elementSetState, error)
                   && library.find("gst_element_get_bus", table.elementGetBus, error)
                   && library.find("gst_bus_timed_pop_filtered", table.busTimedPopFiltered, error)
                   && library.find("gst_message_parse_error", table.messageParseError, error)
                   && library.find("g_error_free", table.errorFree, error)
                   && library.find("g_free", table.gFree, error);
        });
}

const GStreamerLibrary* GStreamerLibrary::installed()
{
    return vsp::openOnce<GStreamerLibrary>(QStringLiteral("media warm-up"),
                                           [](QString* error) { return open("libgstreamer-1.0.so.0", error); });
}
