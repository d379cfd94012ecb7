// The listing of a delay whose length is known only at run time: the
// subroutine NAME, which takes n units of cycles for the count n it is
// given in r25:r24 (or r24), with a header that says how to call it.
#pragma once

#include <cstdint>
#include <string>

#include "delay/listing_form.hpp"
#include "delay/variable_delay_plan.hpp"

namespace cyclotrim {

// The loops' registers where -r names none: R18, R19, R20, which C code
// may change freely.
const RegisterTexts& variable_delay_register_texts();

// Writes the subroutine `name` (avra or GNU syntax) for `unit` cycles a
// count, or the reason it cannot: a unit too small for the call, the return
// and the loop (the message states the smallest), a loop register that
// holds the count, or one that C code expects kept, unless `form.save`.
// `preface`, if not empty, is written first, each line as a comment.
FormedListing write_variable_delay(int32_t unit, const RegisterTexts& register_texts, Syntax syntax,
                                   const std::string& name, const VariableDelayForm& form,
                                   const std::string& preface);

}  // namespace cyclotrim
