// SPDX-License-Identifier: MIT
// The forms the companion writes a delay in: the window's listing, with
// labels of its own name, for GNU as, as a C inline-assembly statement, as
// a subroutine whose cycles include its call and return, as one whose
// length is a count of units read at run time, and in the fewest words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "delay/start_command.hpp"
#include "delay/forms/subroutine_plan.hpp"
#include "delay/forms/variable_delay_plan.hpp"

namespace cyclotrim {

enum class Syntax { avra, gnu, c };

struct SubroutineForm {
    AvrCore core = AvrCore::avre;
    bool long_call = false;  // counted from a call, not an rcall
    bool save = false;       // push and pop the registers the delay uses
};

// The registers a compact delay may use when none are given: R24 to R27,
// whose first two sbiw takes as a pair.
const std::vector<std::string>& default_compact_registers();

// A compact delay: the fewest words for the count.
struct CompactForm {
    // The registers the delay may use, first to last (the C form uses r24 to
    // r27; a run-time delay's default is compact_variable_delay_registers()).
    std::vector<std::string> registers = default_compact_registers();
    AvrCore core = AvrCore::avre;  // avrrc cores have no sbiw
};

struct ListingForm {
    Syntax syntax = Syntax::avra;
    // Labels start with NAME_ (avra); the subroutine's own label.
    std::string name;
    std::optional<SubroutineForm> subroutine;
    std::optional<CompactForm> compact;
    // The subroutine NAME of n x `cycles`, n given at run time.
    std::optional<VariableDelayForm> variable;
};

struct FormedListing {
    bool refused = false;
    std::string text;     // the listing, when not refused
    std::string refusal;  // why nothing was written

    static FormedListing refused_because(std::string why) { return {true, "", std::move(why)}; }
};

// Why the registers given (with -r) cannot serve `form`, checked whole,
// whether the delay uses each of them or not: each must be one ldi can
// load, no register given twice, and none that holds a run-time delay's
// count or, without saving, one that C code expects kept. Nothing when
// they can.
std::optional<std::string> given_registers_refusal(const std::vector<std::string>& given,
                                                   const ListingForm& form);

// Writes the delay of `cycles` in `form`, the registers taken from
// `register_texts` as the window takes them (the C form's compiler picks its
// own). `preface`, if not empty, is a sentence written as a comment before
// the listing. In the default form the listing is the one Start writes.
FormedListing write_listing_in_form(int32_t cycles, const RegisterTexts& register_texts,
                                    const ListingForm& form, const std::string& preface = "");

// Writes the compact delay of `cycles` (0 to max_compact_cycle_count) in
// `form`, whose `compact` is set; with `variable` set too, the run-time
// subroutine of `cycles` a count whose two delays are compact ones. Refused
// when the registers cannot reach the count in max_compact_words words.
FormedListing write_compact_in_form(int64_t cycles, const ListingForm& form,
                                    const std::string& preface = "");

}  // namespace cyclotrim
