#pragma once
// Puts the program-wide tables back to their start values between test cases.
#include "model/system_table.h"

inline void freshTables() { resetProgramState(); }
