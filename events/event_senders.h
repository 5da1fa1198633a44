// event_senders.h - delivery of status, error, cash-level and cash-session
// events to the application, by callback or by window message.  Called
// only with the events the callback handler handed over, on the driver's
// delivery thread (event_delivery.h).
#ifndef QX_EVENT_SENDERS_H
#define QX_EVENT_SENDERS_H

#include <string>

// Each returns 0 when delivered (or nobody listens) and 2 when dropped.
short sendStatusEvent(int amountOrRest, int nStatus, int nMode);
short sendErrorEvent(const std::string& extInfo);
// A text that is no device report (malformed, unknown letter): an error
// event with code 0, the translated englishText and the text as extInfo.
short sendReportErrorEvent(const char* englishText, const std::string& report);
short sendCashLevelEvent(const std::string& extInfo);
short sendCashSessionEvent(const std::string& extInfo);

// The four registered message numbers, obtained once at load.
unsigned statusMessageNumber();
unsigned errorMessageNumber();
unsigned cashLevelMessageNumber();
unsigned cashSessionMessageNumber();

// Test support: the logging state of status events back to its start.
void resetEventLoggingForTesting();

#endif  // QX_EVENT_SENDERS_H
