#include "platform/hid_report_descriptor.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/hex_text.h"

namespace zel::platform {
namespace {

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t {
    kUsagePage = 0x0,
    kLogicalMinimum = 0x1,
    kLogicalMaximum = 0x2,
    kPhysicalMinimum = 0x3,
    kPhysicalMaximum = 0x4,
    kUnitExponent = 0x5,
    kUnit = 0x6,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

enum LocalTag : std::uint8_t {
    kUsage = 0x0,
    kUsageMinimum = 0x1,
    kUsageMaximum = 0x2,
    kDelimiter = 0xA,
};

constexpr std::uint8_t kLongItemPrefix = 0xFE;

enum ReportKind { kInputReport = 0, kOutputReport = 1, kFeatureReport = 2, kReportKinds = 3 };

struct Item {
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::uint8_t size = 0;  // data bytes of a short item: 0, 1, 2 or 4
    std::uint32_t data = 0;
    bool isLong = false;
    std::size_t length = 0;  // bytes the item occupies, prefix included
};

// Reads the item at `offset`; nullopt when it runs past the end.
std::optional<Item> FetchItem(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const std::size_t left = bytes.size() - offset;
    const std::uint8_t prefix = bytes[offset];
    Item item;
    if (prefix == kLongItemPrefix) {
        if (left < 3) {
            return std::nullopt;
        }
        item.isLong = true;
        item.length = 3 + std::size_t{bytes[offset + 1]};
        if (left < item.length) {
            return std::nullopt;
        }
        return item;
    }
    static constexpr std::array<std::uint8_t, 4> kDataSizes = {0, 1, 2, 4};
    item.size = kDataSizes[prefix & 0x3];
    item.type = (prefix >> 2) & 0x3;
    item.tag = prefix >> 4;
    item.length = 1 + std::size_t{item.size};
    if (left < item.length) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < item.size; ++i) {
        item.data |= std::uint32_t{bytes[offset + 1 + i]} << (8 * i);
    }
    return item;
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
    return b > std::numeric_limits<std::uint64_t>::max() - a
               ? std::numeric_limits<std::uint64_t>::max()
               : a + b;
}

std::size_t ReportByteLength(std::uint64_t bits, std::uint8_t reportId) {
    const std::uint64_t bytes = bits / 8 + (bits % 8 != 0 ? 1 : 0) + (reportId != 0 ? 1 : 0);
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(bytes, std::uint64_t{kHidReportLengthSaturation}));
}

class DescriptorParser {
public:
    explicit DescriptorParser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    Result<HidReportDescriptor> Run() {
        if (bytes_.size() > kMaxHidDescriptorLength) {
            return Error{ErrorCode::kMalformed,
                         "report descriptor of " + std::to_string(bytes_.size()) +
                             " bytes is longer than " + std::to_string(kMaxHidDescriptorLength)};
        }
        for (offset_ = 0; offset_ < bytes_.size();) {
            const std::optional<Item> item = FetchItem(bytes_, offset_);
            if (!item) {
                return Fail("item truncated by the end of the descriptor");
            }
            if (!item->isLong && !Handle(*item)) {
                return Fail(error_);
            }
            offset_ += item->length;
        }
        if (depth_ != 0) {
            return Fail("collection left open at the end of the descriptor");
        }
        if (local_.delimiterDepth != 0) {
            return Fail("delimiter left open at the end of the descriptor");
        }
        HidReportDescriptor result;
        result.collections = Finish();
        result.usesReportIds = usesReportIds_;
        return result;
    }

private:
    struct Globals {
        std::uint32_t usagePage = 0;
        std::uint32_t reportSize = 0;
        std::uint32_t reportCount = 0;
        std::uint8_t reportId = 0;
    };

    struct Usage {
        std::uint32_t value = 0;  // usage page in the high half
        std::uint8_t size = 0;    // size of the item that declared it; 4 = extended usage
    };

    struct Locals {
        std::vector<Usage> usages;
        std::uint32_t usageMinimum = 0;
        int delimiterDepth = 0;
        int delimiterBranch = 0;
    };

    struct OpenTopLevel {
        HidTopLevelCollection info;
        std::array<std::bitset<256>, kReportKinds> reportIds;
    };

    Error Fail(const std::string& why) const {
        return {ErrorCode::kMalformed, why + " (at byte " + std::to_string(offset_) + ")"};
    }

    bool Reject(std::string why) {
        error_ = std::move(why);
        return false;
    }

    bool Handle(const Item& item) {
        switch (item.type) {
            case kMain:
                return HandleMain(item);
            case kGlobal:
                return HandleGlobal(item);
            case kLocal:
                return HandleLocal(item);
            default:
                return true;  // reserved item type: skipped
        }
    }

    bool HandleGlobal(const Item& item) {
        switch (item.tag) {
            case kUsagePage:
                globals_.usagePage = item.data & 0xFFFF;
                return true;
            case kReportSize:
                globals_.reportSize = item.data;
                return true;
            case kReportCount:
                globals_.reportCount = item.data;
                return true;
            case kReportId:
                if (item.data == 0 || item.data > 0xFF) {
                    return Reject("report ID " + std::to_string(item.data) + " outside 1 ... 255");
                }
                globals_.reportId = static_cast<std::uint8_t>(item.data);
                return true;
            case kPush:
                if (stack_.size() >= kMaxHidGlobalStackDepth) {
                    return Reject("Push nested deeper than " +
                                  std::to_string(kMaxHidGlobalStackDepth));
                }
                stack_.push_back(globals_);
                return true;
            case kPop:
                if (stack_.empty()) {
                    return Reject("Pop without a matching Push");
                }
                globals_ = stack_.back();
                stack_.pop_back();
                return true;
            case kLogicalMinimum:
            case kLogicalMaximum:
            case kPhysicalMinimum:
            case kPhysicalMaximum:
            case kUnitExponent:
            case kUnit:
                return true;  // they do not change where fields lie
            default:
                return Reject("unknown global item tag 0x" + HexNumber(item.tag, 1));
        }
    }

    void AddUsage(std::uint32_t value, std::uint8_t size) {
        // Short usages take the usage page current when they are declared; the page may be
        // corrected at the next main item (see ApplyLastUsagePage).
        if (size <= 2) {
            value = (value & 0xFFFF) | (globals_.usagePage << 16);
        }
        local_.usages.push_back({value, size});
    }

    bool HandleLocal(const Item& item) {
        switch (item.tag) {
            case kUsage:
                if (local_.delimiterBranch <= 1) {
                    AddUsage(item.data, item.size);
                }
                return true;
            case kUsageMinimum:
                if (local_.delimiterBranch <= 1) {
                    local_.usageMinimum = item.data;
                }
                return true;
            case kUsageMaximum:
                // Only the first usage of a range matters here (it names a collection).
                if (local_.delimiterBranch <= 1 && item.data >= local_.usageMinimum) {
                    AddUsage(local_.usageMinimum, item.size);
                }
                return true;
            case kDelimiter:
                if (item.data != 0) {
                    if (local_.delimiterDepth != 0) {
                        return Reject("nested delimiters");
                    }
                    ++local_.delimiterDepth;
                    ++local_.delimiterBranch;
                } else {
                    if (local_.delimiterDepth == 0) {
                        return Reject("close delimiter without an open one");
                    }
                    --local_.delimiterDepth;
                }
                return true;
            default:
                return true;  // designators and strings do not matter here
        }
    }

    // A usage page declared after short usages but before their main item applies to them,
    // back to the last usage that already has that page (the kernel reads descriptors so).
    void ApplyLastUsagePage() {
        const std::uint32_t page = globals_.usagePage;
        for (auto it = local_.usages.rbegin(); it != local_.usages.rend(); ++it) {
            if (it->size > 2) {
                continue;
            }
            if ((it->value >> 16) == page) {
                break;
            }
            it->value = (it->value & 0xFFFF) | (page << 16);
        }
    }

    bool HandleMain(const Item& item) {
        ApplyLastUsagePage();
        bool accepted = true;
        switch (item.tag) {
            case kCollection:
                accepted = OpenCollection(static_cast<std::uint8_t>(item.data & 0xFF));
                break;
            case kEndCollection:
                accepted = CloseCollection();
                break;
            case kInput:
                AddField(kInputReport);
                break;
            case kOutput:
                AddField(kOutputReport);
                break;
            case kFeature:
                AddField(kFeatureReport);
                break;
            default:
                break;  // unknown main items carry no fields
        }
        local_ = Locals{};
        return accepted;
    }

    bool OpenCollection(std::uint8_t type) {
        if (depth_ >= kMaxHidCollectionDepth) {
            return Reject("collections nested deeper than " +
                          std::to_string(kMaxHidCollectionDepth));
        }
        if (depth_ == 0) {
            OpenTopLevel top;
            const std::uint32_t usage = local_.usages.empty() ? 0 : local_.usages.front().value;
            top.info.usagePage = static_cast<std::uint16_t>(usage >> 16);
            top.info.usage = static_cast<std::uint16_t>(usage & 0xFFFF);
            top.info.collectionType = type;
            topLevel_.push_back(std::move(top));
        }
        ++depth_;
        return true;
    }

    bool CloseCollection() {
        if (depth_ == 0) {
            return Reject("End Collection without an open collection");
        }
        --depth_;
        return true;
    }

    void AddField(ReportKind kind) {
        const std::uint8_t id = globals_.reportId;
        // Both factors fit 32 bits, so the product fits 64; only the sum can saturate.
        const std::uint64_t fieldBits =
            std::uint64_t{globals_.reportSize} * std::uint64_t{globals_.reportCount};
        reportBits_[kind][id] = SaturatingAdd(reportBits_[kind][id], fieldBits);
        if (id != 0) {
            usesReportIds_ = true;
        }
        if (depth_ > 0) {
            topLevel_.back().reportIds[kind].set(id);
        }
    }

    std::vector<HidTopLevelCollection> Finish() const {
        std::vector<HidTopLevelCollection> collections;
        collections.reserve(topLevel_.size());
        for (const OpenTopLevel& top : topLevel_) {
            HidTopLevelCollection info = top.info;
            const std::array<std::vector<std::uint8_t>*, kReportKinds> ids = {
                &info.inputReportIds, &info.outputReportIds, &info.featureReportIds};
            const std::array<std::size_t*, kReportKinds> lengths = {
                &info.inputReportLength, &info.outputReportLength, &info.featureReportLength};
            for (int kind = 0; kind < kReportKinds; ++kind) {
                for (std::size_t id = 0; id < 256; ++id) {
                    if (!top.reportIds[kind].test(id)) {
                        continue;
                    }
                    const auto reportId = static_cast<std::uint8_t>(id);
                    ids[kind]->push_back(reportId);
                    *lengths[kind] =
                        std::max(*lengths[kind], ReportByteLength(reportBits_[kind][id], reportId));
                }
            }
            collections.push_back(std::move(info));
        }
        return collections;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
    std::string error_;
    Globals globals_;
    std::vector<Globals> stack_;
    Locals local_;
    std::size_t depth_ = 0;
    std::vector<OpenTopLevel> topLevel_;
    std::array<std::array<std::uint64_t, 256>, kReportKinds> reportBits_{};
    bool usesReportIds_ = false;
};

}  // namespace

Result<HidReportDescriptor> ParseHidReportDescriptor(std::span<const std::uint8_t> bytes) {
    return DescriptorParser(bytes).Run();
}

}  // namespace zel::platform
