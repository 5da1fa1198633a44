// sim_config.h - the simulator's stock file: which denominations the
// device holds, how many of each, and their cash-level thresholds.
//
//   # notes
//   20000 = 5 low=2 empty=0 high=50
//   50 = 40
//
// One denomination per line in minor units, "=", its count, then any of
// low=, empty= and high= (defaults 5, 0, 100).  "#" starts a comment.
// The file replaces the whole stock; any malformed line refuses all of it.
#ifndef QX_SIM_CONFIG_H
#define QX_SIM_CONFIG_H

#include <istream>
#include <string>

#include "sim/sim_inventory.h"

namespace qxsim {

// Reads a stock from text; false with a reason ("line 3: ...") when any
// line is malformed or no denomination is given.
bool parseStockConfig(std::istream& in, Inventory::Stocks& stocks, std::string& reason);

// The same from a file; false with "cannot open <path>" when unreadable.
bool loadStockConfig(const std::string& path, Inventory::Stocks& stocks, std::string& reason);

// Environment variable naming a stock file the device loads when its port
// is first opened.
extern const char* const SIM_CONFIG_VARIABLE;

}  // namespace qxsim

#endif  // QX_SIM_CONFIG_H
