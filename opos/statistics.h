// statistics.h - the statistics this service object counts itself, and
// their UnifiedPOS XML.  Counts run from the open of the service object;
// the device keeps none that the driver could read.
#ifndef QX_OPOS_STATISTICS_H
#define QX_OPOS_STATISTICS_H

#include <map>
#include <string>
#include <vector>

namespace qxopos {

// What the Equipment part of the XML says about the device.
struct Equipment {
    std::string model;
    std::string firmware;
    std::string interfaceName;
};

class Statistics {
public:
    Statistics();
    void add(const char* name, long amount = 1);
    long value(const char* name) const;

    // Each answers an OPOS result code; the names are the method's
    // argument: "" or "U_" / "M_" (all, the UnifiedPOS ones, the
    // manufacturer's ones) or names separated by commas.  A name not
    // counted here is retrieved with an empty value; reset and update
    // answer OPOS_E_EXTENDED for it (its extended code OPOS_ESTATS_ERROR).
    long retrieve(const std::string& names, const Equipment& equipment, std::string& xml) const;
    long reset(const std::string& names);
    // "name=value,name=value".
    long update(const std::string& assignments);

private:
    bool select(const std::string& names, std::vector<std::string>& selected,
                bool withUnknown) const;
    std::map<std::string, long> m_counts;
};

// Statistic names.
extern const char kStatCommunicationErrors[];
extern const char kStatDeposits[];
extern const char kStatDepositedAmount[];
extern const char kStatRepays[];
extern const char kStatDispenses[];
extern const char kStatDispensedAmount[];
extern const char kStatOverDispenses[];
extern const char kStatJams[];

}  // namespace qxopos

#endif  // QX_OPOS_STATISTICS_H
