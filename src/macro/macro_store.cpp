#include "macro/macro_store.h"

#include <algorithm>

#include "macro/macro_name.h"
#include "settings/unicode_text.h"

namespace zel::macro {
namespace {

constexpr MacroRecord kBlankRecord{};

}  // namespace

const MacroRecord& MacroStore::UserMacro(int index) const {
    return IsUserIndex(index) ? userMacros_[static_cast<std::size_t>(index)] : kBlankRecord;
}

const MacroRecord& MacroStore::BuiltinMacro(int index) const {
    return IsBuiltinIndex(index) ? builtinMacros_[static_cast<std::size_t>(index)] : kBlankRecord;
}

MacroRecord MacroStore::CopyUserMacro(int index) const {
    if (!IsUserIndex(index)) {
        return kBlankRecord;
    }
    std::lock_guard lock(mutex_);
    return userMacros_[static_cast<std::size_t>(index)];
}

MacroRecord MacroStore::CopyBuiltinMacro(int index) const {
    if (!IsBuiltinIndex(index)) {
        return kBlankRecord;
    }
    std::lock_guard lock(mutex_);
    return builtinMacros_[static_cast<std::size_t>(index)];
}

void MacroStore::ReplaceUserMacros(std::span<const MacroRecord> records) {
    const std::size_t count = std::min(records.size(), userMacros_.size());
    {
        std::lock_guard lock(mutex_);
        std::copy_n(records.begin(), count, userMacros_.begin());
    }
    userCount_.store(static_cast<int>(count), std::memory_order_relaxed);
    currentMacro_.store(count >= 1 ? static_cast<int>(count) - 1 : 0, std::memory_order_relaxed);
}

void MacroStore::ReplaceBuiltinMacros(std::span<const MacroRecord> records) {
    const std::size_t count = std::min(records.size(), builtinMacros_.size());
    {
        std::lock_guard lock(mutex_);
        std::copy_n(records.begin(), count, builtinMacros_.begin());
    }
    builtinCount_.store(static_cast<int>(count), std::memory_order_relaxed);
}

int MacroStore::FindUnits(std::u16string_view units) const {
    const int count = UserCount();
    for (int i = 0; i < count; ++i) {
        if (NameUnits(userMacros_[static_cast<std::size_t>(i)]) == units) {
            return i;
        }
    }
    return count;
}

int MacroStore::FindMacro(std::string_view text) const {
    const std::u16string units = text::Utf8ToUtf16(text.substr(0, text.find('\0')));
    // A text longer than a name can hold is the name of no macro.
    if (units.size() > static_cast<std::size_t>(kMaxNameLength)) {
        return UserCount();
    }
    return FindUnits(units);
}

int MacroStore::AddMacro(std::string_view text) {
    const std::u16string units = NameUnitsFor(text);
    const int count = UserCount();
    if (count >= kUserMacroCapacity || units.empty()) {
        return CurrentMacro();
    }
    const int index = count >= 1 ? FindUnits(units) : 0;
    SetCurrentMacro(index);
    if (index == count) {
        EditUserMacro(index, [&units](MacroRecord& record) {
            record.name.fill(u'\0');
            std::copy(units.begin(), units.end(), record.name.begin());
            record.stepCount = 0;
            record.repeatOn = 0;
        });
        userCount_.store(count + 1, std::memory_order_relaxed);
    }
    return index;
}

void MacroStore::DeleteMacro(int index) {
    const int count = UserCount();
    if (index < 0 || index >= count) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        const auto first = userMacros_.begin() + index;
        const auto end = userMacros_.begin() + count;
        std::copy(first + 1, end, first);
        // The old last record stays behind with its name and steps but an empty header.
        MacroRecord& last = userMacros_[static_cast<std::size_t>(count - 1)];
        last.repeatOn = 0;
        last.repeatCount.Set(1);
        last.stepCount = 0;
    }
    SetCurrentMacro(index > 0 ? index - 1 : 0);
    userCount_.store(count - 1, std::memory_order_relaxed);
}

void MacroStore::ToggleRepeat() {
    EditUserMacro(CurrentMacro(),
                  [](MacroRecord& record) { record.repeatOn = record.repeatOn == 0 ? 1 : 0; });
}

int MacroStore::StoreRepeatCount(long long value) {
    const auto clamped = static_cast<std::uint16_t>(std::clamp(value, 1LL, 65535LL));
    EditUserMacro(CurrentMacro(),
                  [clamped](MacroRecord& record) { record.repeatCount.Set(clamped); });
    return clamped;
}

std::string MacroStore::MacroLabel(int functionCode) const {
    const int index = functionCode - kFirstUserMacroFunction;
    if (!IsUserIndex(index)) {
        return {};
    }
    return NameText(userMacros_[static_cast<std::size_t>(index)]);
}

}  // namespace zel::macro
