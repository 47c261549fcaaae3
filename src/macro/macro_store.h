#pragma once

// The macros of the running program: 12 user macros (function codes 41 ... 52) and 8 built-in
// macros (function codes 31 ... 38), with the counts and the macro shown on the macro page.
//
// Threads: only the window thread changes the store, and every change of a record is made
// under the store's lock. The player thread never reads a record in place; it takes a whole
// copy under the same lock (CopyUserMacro, CopyBuiltinMacro) at the start of each pass, so an
// edit or a reload never reaches it half done. The window thread may read records in place
// (UserMacro, BuiltinMacro) since no other thread writes them. Counts and currentMacro are
// atomics and may be read anywhere.

#include <array>
#include <atomic>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "macro/macro_record.h"

namespace zel::macro {

inline constexpr int kUserMacroCapacity = 12;
inline constexpr int kBuiltinMacroCapacity = 8;
inline constexpr int kFirstUserMacroFunction = 41;     // ButtonFunction of user macro 0
inline constexpr int kFirstBuiltinMacroFunction = 31;  // ButtonFunction of built-in macro 0

class MacroStore {
public:
    MacroStore() = default;
    MacroStore(const MacroStore&) = delete;
    MacroStore& operator=(const MacroStore&) = delete;

    int UserCount() const { return userCount_.load(std::memory_order_relaxed); }
    int BuiltinCount() const { return builtinCount_.load(std::memory_order_relaxed); }
    int CurrentMacro() const { return currentMacro_.load(std::memory_order_relaxed); }
    // The macro page's selection; kept as given, every operation checks it before use.
    void SetCurrentMacro(int index) { currentMacro_.store(index, std::memory_order_relaxed); }

    // Window thread: the record in place. An index outside the table gives a blank record.
    const MacroRecord& UserMacro(int index) const;
    const MacroRecord& BuiltinMacro(int index) const;

    // Any thread: a copy of the whole record taken under the lock. An index outside the table
    // gives a blank record (no steps).
    MacroRecord CopyUserMacro(int index) const;
    MacroRecord CopyBuiltinMacro(int index) const;

    // Window thread: changes user record `index` (0 ... 11, whatever the count) by calling
    // edit(MacroRecord&) under the lock. False, and nothing called, for an index outside the
    // table. `edit` must not call back into the store.
    template <class Edit>
    bool EditUserMacro(int index, Edit&& edit) {
        if (!IsUserIndex(index)) {
            return false;
        }
        std::lock_guard lock(mutex_);
        std::forward<Edit>(edit)(userMacros_[static_cast<std::size_t>(index)]);
        return true;
    }

    // Window thread, for loading: the first records of the table become `records` (at most the
    // table's capacity are taken; the records after them keep what they held) and the count
    // becomes their number. Replacing the user macros also selects the last one (0 when none).
    void ReplaceUserMacros(std::span<const MacroRecord> records);
    void ReplaceBuiltinMacros(std::span<const MacroRecord> records);

    // The operations below are the window thread's.

    // The first user macro whose name equals `text` exactly (UTF-16 code units, so
    // case-sensitive), or UserCount() when there is none.
    int FindMacro(std::string_view text) const;

    // Adds a macro named `text` (cut to 19 units) or selects the one of that name; returns
    // currentMacro. Nothing happens with 12 macros or an empty name.
    int AddMacro(std::string_view text);

    // Removes user macro `index` (0 ... count - 1; any other index does nothing): the later
    // macros move down one place, the one before it becomes current.
    void DeleteMacro(int index);

    // Switches repeatOn of the current macro between 0 and 1.
    void ToggleRepeat();

    // Stores repeatCount of the current macro, clamped to 1 ... 65535; returns the stored value.
    // Saving is the caller's (see SetRepeatCount in macro_files.h).
    int StoreRepeatCount(long long value);

    // The label of a button whose function is a user macro (41 ... 52): that record's name.
    // Empty for any other function code.
    std::string MacroLabel(int functionCode) const;

private:
    static bool IsUserIndex(int index) { return index >= 0 && index < kUserMacroCapacity; }
    static bool IsBuiltinIndex(int index) { return index >= 0 && index < kBuiltinMacroCapacity; }
    int FindUnits(std::u16string_view units) const;

    mutable std::mutex mutex_;
    std::array<MacroRecord, kUserMacroCapacity> userMacros_{};
    std::array<MacroRecord, kBuiltinMacroCapacity> builtinMacros_{};
    std::atomic<int> userCount_{0};
    std::atomic<int> builtinCount_{0};
    std::atomic<int> currentMacro_{0};
};

}  // namespace zel::macro
