#include "device/discovery.h"

#include <algorithm>
#include <memory>
#include <string>

#include "device/device_link.h"

namespace zel::device {
namespace {

bool IsMouse(const platform::HidCollectionInfo& c) {
    return c.vendorId == kMouseVendorId && c.productId == kMouseProductId;
}
bool IsReadCollection(const platform::HidCollectionInfo& c) {
    return c.usagePage == kReadUsagePage && c.usage == kChannelUsage;
}
bool IsWriteCollection(const platform::HidCollectionInfo& c) {
    return c.usagePage == kWriteUsagePage && c.usage == kChannelUsage;
}

// Whether the link could not serve this collection's channel; when so, says why.
bool RefusedLength(const platform::HidCollectionInfo& c, platform::MessageSink& messages,
                   std::int32_t languageFlag) {
    platform::HidAccess access;
    std::size_t length = 0;
    if (IsReadCollection(c)) {
        access = platform::HidAccess::Read;
        length = c.inputReportLength;
    } else if (IsWriteCollection(c)) {
        access = platform::HidAccess::Write;
        length = c.featureReportLength;
    } else {
        return false;
    }
    const platform::Result<void> usable = CheckReportLength(length, access, languageFlag);
    if (usable.ok()) {
        return false;
    }
    messages.ShowMessage(usable.error().message);
    return true;
}

}  // namespace

bool DiscoverMouse(DeviceLink& link, platform::HidTransport& transport,
                   platform::MessageSink& messages, std::int32_t languageFlag) {
    return DiscoverMouseReportingAccess(link, transport, messages, languageFlag).found;
}

DiscoveryResult DiscoverMouseReportingAccess(DeviceLink& link, platform::HidTransport& transport,
                                             platform::MessageSink& messages,
                                             std::int32_t languageFlag) {
    const auto collections = transport.Enumerate();
    const std::size_t count = std::min(collections.size(), kDiscoveryIndexCount);

    // Channels opened by this scan go into the link only at the end, so a refused device
    // leaves nothing of itself behind.
    std::unique_ptr<platform::HidChannel> newRead;
    std::unique_ptr<platform::HidChannel> newWrite;
    const platform::HidCollectionInfo* readInfo = nullptr;
    const platform::HidCollectionInfo* writeInfo = nullptr;
    const platform::HidCollectionInfo* lastMatch = nullptr;
    bool found = link.found.load();
    bool refused = false;
    std::string refusedNode;

    for (std::size_t index = 0; index < count; ++index) {
        const auto& collection = collections[index];
        found = false;
        if (!IsMouse(collection)) {
            continue;
        }
        if (RefusedLength(collection, messages, languageFlag)) {
            refused = true;
            continue;
        }
        found = true;
        lastMatch = &collection;
        if (IsReadCollection(collection) && !link.IsReadOpen() && !newRead) {
            newRead = transport.Open(collection, platform::HidAccess::Read);
            readInfo = &collection;
            if (!newRead && refusedNode.empty()) {
                refusedNode = collection.path;
            }
        }
        if (IsWriteCollection(collection) && !link.IsWriteOpen() && !newWrite) {
            newWrite = transport.Open(collection, platform::HidAccess::Write);
            writeInfo = &collection;
            if (!newWrite && refusedNode.empty()) {
                refusedNode = collection.path;
            }
        }
        const bool readOpen = link.IsReadOpen() || newRead;
        const bool writeOpen = link.IsWriteOpen() || newWrite;
        if (readOpen && writeOpen) {
            break;
        }
    }

    if (refused) {
        link.found = false;
        return {};
    }
    if (!refusedNode.empty()) {
        // A mouse that cannot be driven is not kept half open: it is opened whole once the
        // user may open every node.
        link.SetDevicePath(refusedNode);
        link.found = false;
        return {false, refusedNode};
    }
    if (lastMatch) {
        link.SetDevicePath(lastMatch->path);
    }
    if (newWrite && link.AttachWriteChannel(std::move(newWrite), writeInfo->featureReportLength)) {
        // A run that ended without its shutdown (killed, crashed) may have left keys or buttons
        // of a macro held in the mouse. They go up before anything else is sent, and before the
        // read channel lets a new press start a macro.
        link.ReleaseAll();
    }
    if (newRead) {
        link.AttachReadChannel(std::move(newRead), readInfo->inputReportLength);
    }
    link.found = found;
    return {found, {}};
}

DiscoveryResult RetryDiscoveryOnArrival(const platform::HidDeviceEvent& event, DeviceLink& link,
                                        platform::HidTransport& transport,
                                        platform::MessageSink& messages,
                                        std::int32_t languageFlag) {
    if (event.kind != platform::HidDeviceEvent::Kind::Arrival) {
        return {};
    }
    return DiscoverMouseReportingAccess(link, transport, messages, languageFlag);
}

bool SameDevicePath(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void FollowDeviceChange(const platform::HidDeviceEvent& event, DeviceLink& link,
                        platform::HidTransport& transport, platform::MessageSink& messages,
                        std::int32_t languageFlag, const std::function<void()>& shutdownLink) {
    const std::string path = link.DevicePath();
    if (path.empty() || !SameDevicePath(event.path, path)) {
        return;
    }
    if (event.kind == platform::HidDeviceEvent::Kind::Arrival) {
        if (!link.found) {
            DiscoverMouse(link, transport, messages, languageFlag);
        }
        return;
    }
    link.found = false;
    if (shutdownLink) {
        shutdownLink();
    }
}

}  // namespace zel::device
