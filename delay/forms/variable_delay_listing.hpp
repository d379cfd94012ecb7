// SPDX-License-Identifier: MIT
// The listing of a delay whose length is known only at run time: the
// subroutine NAME, which takes n units of cycles for the count n it is
// given in r25:r24 (or r24), with a header that says how to call it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "delay/forms/compact_plan.hpp"
#include "delay/forms/listing_form.hpp"
#include "delay/forms/variable_delay_plan.hpp"

namespace cyclotrim {

// The loops' registers where -r names none: R18, R19, R20, which C code
// may change freely.
const RegisterTexts& variable_delay_register_texts();

// Why the loops of a run-time delay cannot use `names`: one holds the count
// n, or is one that C code expects kept and `form.save` is not given.
std::optional<std::string> run_time_register_refusal(const std::vector<std::string>& names,
                                                     const VariableDelayForm& form);

// Writes the subroutine `name` (avra or GNU syntax) for `unit` cycles a
// count, or the reason it cannot: a unit too small for the call, the return
// and the loop (the message states the smallest). Its registers must pass
// run_time_register_refusal.
// `preface`, if not empty, is written first, each line as a comment.
FormedListing write_variable_delay(int32_t unit, const RegisterTexts& register_texts, Syntax syntax,
                                   const std::string& name, const VariableDelayForm& form,
                                   const std::string& preface);

// The registers a compact run-time delay may use where -r names none: R26
// and R27, a pair that sbiw takes, then R18 and R19; C code may change all
// of them freely, and none holds the count.
const std::vector<std::string>& compact_variable_delay_registers();

// Writes the subroutine `name` as write_variable_delay does, with its two
// delays written as compact delays on `names` (what the planner may use of
// them: `usable`), so that the whole subroutine takes the fewest words; its
// header states them. Refused as write_variable_delay, and also when the
// registers cannot reach a delay of a pass in max_compact_words words.
FormedListing write_compact_variable_delay(int64_t unit, const std::vector<std::string>& names,
                                           const CompactRegisters& usable, Syntax syntax,
                                           const std::string& name, const VariableDelayForm& form,
                                           const std::string& preface);

}  // namespace cyclotrim
