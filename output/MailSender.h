#pragma once

#include "output/MailOutcome.h"

class CResultsDoc;
class QWidget;

namespace quillet
{
// Sends the report's results text to its address through the system's
// sendmail interface ($QUILLET_SENDMAIL, else /usr/sbin/sendmail, else
// /usr/lib/sendmail, looked up at every send). The event loop runs meanwhile:
// a "Sending…" box over `window`, with the wait cursor, offers Cancel, and a
// mail program still running at the deadline is stopped. Without one, the
// desktop's mail client is opened on the message (a mailto: address), for
// the student to send; an opener that ends with a failure opened none. Tells nothing of how it ended: the
// window does, in its own boxes.
MailOutcome SendResults(const CResultsDoc& doc, QWidget* window);

// How long a mail program may run; a minute unless a test shortens it.
void SetMailDeadline(int milliseconds);
}
