// Sending a mail through the mail system of the PC (simple and extended MAPI).
#pragma once

// Sends the message to the recipients (';'-separated names, addresses with '@' or names
// of lists in the application INI section "Mailing List"); the body is the contents of
// the file it names, or the text itself; the attachment may be empty. Without a mail
// system nothing is sent and nothing is shown. True when the mail system took the message.
bool SendMail(const char* recipients, const char* subject, const char* body, const char* attachment);
