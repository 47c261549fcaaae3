#pragma once

// Macros and step-list reading for the macro page tests.

#include <QListWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "macro/macro_name.h"
#include "macro/macro_record.h"

namespace zel::test {

// A user macro named `name` with the given steps; a step without a delay of its own gets 30 ms.
// Repeat off, count 1.
inline macro::MacroRecord MakeMacro(const std::string& name,
                                    std::vector<macro::MacroStep> steps = {},
                                    std::vector<std::uint16_t> delays = {}) {
    macro::MacroRecord record{};
    macro::SetName(record, name);
    record.repeatCount.Set(1);
    record.stepCount = static_cast<std::uint8_t>(steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        record.steps[k] = steps[k];
        record.delays[k].Set(k < delays.size() ? delays[k] : 30);
    }
    return record;
}

// The texts of a list's lines, in order.
inline std::vector<std::string> Lines(const QListWidget& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.count(); ++i) {
        lines.push_back(list.item(i)->text().toStdString());
    }
    return lines;
}

}  // namespace zel::test
