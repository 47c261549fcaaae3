#include "platform/realtime_kit.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <string_view>

#include "platform/session_bus.h"

namespace zel::platform {
namespace {

constexpr const char* kService = "org.freedesktop.RealtimeKit1";
constexpr const char* kPath = "/org/freedesktop/RealtimeKit1";
constexpr std::uint64_t kCallTimeoutUs = 1'000'000;

// Errors that say RealtimeKit is not there to ask, rather than that it said no.
bool IsAbsence(const sd_bus_error& error) {
    for (const char* name :
         {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
          "org.freedesktop.systemd1.NoSuchUnit",
          "org.freedesktop.DBus.Error.Spawn.ServiceNotFound"}) {
        if (sd_bus_error_has_name(&error, name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

RealtimeKitAnswer MakeThreadRealtimeThroughRealtimeKit(std::uint64_t threadId,
                                                       std::uint32_t priority) {
    if (!SystemBusReachable()) {
        return {};
    }
    // A connection of this call's own: sd-bus connections belong to one thread.
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        return {};
    }
    RealtimeKitAnswer answer;
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if (sd_bus_message_new_method_call(bus, &call, kService, kPath, kService,
                                       "MakeThreadRealtime") >= 0 &&
        sd_bus_message_append(call, "tu", threadId, priority) >= 0) {
        const int result = sd_bus_call(bus, call, kCallTimeoutUs, &error, &reply);
        if (result >= 0) {
            answer.granted = true;
        } else if (sd_bus_error_is_set(&error) && !IsAbsence(error)) {
            answer.refusal = error.message != nullptr && *error.message != '\0'
                                 ? error.message
                                 : (error.name != nullptr ? error.name : "");
        } else if (!sd_bus_error_is_set(&error)) {
            answer.refusal = std::strerror(-result);  // no answer in time, or the bus went
        }
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
    return answer;
}

}  // namespace zel::platform
