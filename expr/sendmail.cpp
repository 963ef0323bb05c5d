// Sending a mail through simple or extended MAPI.
#include "expr/sendmail.h"

#include "data/core/bufferedfile.h"
#include "data/core/strings.h"
#include "data/model/appfiles.h"
#include "expr/mapi.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr size_t MaxRecipients = 128;
const char* const MailCaption = "Send Mail";

void MailBox(const std::string& text) { MessageBoxA(nullptr, text.c_str(), MailCaption, MB_OK | MB_ICONHAND); }

std::vector<std::string> Split(const char* text) {
  std::vector<std::string> items;
  std::string item;
  for (const char* p = text;; ++p) {
    if (*p == ';' || *p == '\0') {
      if (!item.empty()) items.push_back(item);
      item.clear();
      if (!*p) break;
    } else {
      item += *p;
    }
  }
  return items;
}

// The recipients of one message: their texts live here as long as the descriptions.
class TRecipients {
public:
  ~TRecipients() {
    for (lpMapiRecipDesc entry : resolved_) SimpleMapi.FreeBuffer(entry);
  }
  bool Full() const { return list_.size() >= MaxRecipients; }
  bool Empty() const { return list_.empty(); }
  ULONG Count() const { return ULONG(list_.size()); }
  MapiRecipDesc* Data() { return list_.data(); }

  // An address with '@' is taken as it is; any other name must resolve in the address book.
  bool Add(const std::string& name) {
    if (Full()) return true;
    if (name.find('@') != std::string::npos) {
      texts_.push_back(name);
      char* shown = &texts_.back()[0];
      texts_.push_back("SMTP:" + name);
      char* address = &texts_.back()[0];
      MapiRecipDesc entry{};
      entry.ulRecipClass = MAPI_TO;
      entry.lpszName = shown;
      entry.lpszAddress = address;
      list_.push_back(entry);
      return true;
    }
    texts_.push_back(name);
    lpMapiRecipDesc found = nullptr;
    if (SimpleMapi.ResolveName(0, 0, &texts_.back()[0], 0, 0, &found) != SUCCESS_SUCCESS || !found)
      return false;
    resolved_.push_back(found);
    MapiRecipDesc entry = *found;
    entry.ulRecipClass = MAPI_TO;
    list_.push_back(entry);
    return true;
  }

private:
  std::deque<std::string> texts_;  // a deque keeps the texts in place as it grows
  std::vector<MapiRecipDesc> list_;
  std::vector<lpMapiRecipDesc> resolved_;
};

void CollectRecipients(const char* recipients, TRecipients& list) {
  TTempString members;
  for (const std::string& item : Split(recipients)) {
    if (list.Full()) break;
    GetPrivateProfileStringA("Mailing List", item.c_str(), "", members, TEMP_STRING_SIZE,
                             ApplicationIniPath.c_str());
    if (!members[0]) {
      if (!list.Add(item)) MailBox("WARNING: Recipient '" + item + "' not found!\n");
      continue;
    }
    for (const std::string& member : Split(members)) {
      if (list.Full()) break;
      if (!list.Add(member))
        MailBox("WARNING: Recipient '" + member + "' not found or not valid SMTP address!\n");
    }
  }
}

// The message text: the contents of the file the body names (as much as one buffer
// holds), else the body itself.
std::string MessageText(const char* body) {
  TBufferedFile* file = body[0] ? FileOpen(body, "r") : nullptr;
  if (!file) return body;
  TTempString text, line;
  size_t used = 0;
  while (used < TEMP_STRING_SIZE - 1 && FileGets(line, TEMP_STRING_SIZE, file)) {
    size_t length = std::strlen(line);
    if (length > TEMP_STRING_SIZE - 1 - used) length = TEMP_STRING_SIZE - 1 - used;
    std::memcpy(text.get() + used, line, length);
    used += length;
  }
  text.get()[used] = '\0';
  FileClose(file);
  return text.get();
}

void FlushQueues(LPMAPISESSION session) {
  LPMAPISTATUS spooler = GetSpoolerStatus(session);
  if (!spooler) return;
  spooler->FlushQueues(0, 0, nullptr, FLUSH_UPLOAD | FLUSH_DOWNLOAD | FLUSH_FORCE | FLUSH_NO_UI);
  spooler->Release();
}

bool SendThroughSession(LPMAPISESSION session, const char* recipients, const char* subject,
                        const char* body, const char* attachment, const char* directory) {
  TRecipients list;
  CollectRecipients(recipients, list);
  bool sent = false;
  if (list.Empty()) {
    MailBox(std::string("None of the supplied recipients where listed in the MAPI address book.\n - ") +
            recipients + " not found!\n");
  } else {
    SetCurrentDirectoryA(directory);  // resolving may have moved it
    std::string text = MessageText(body);
    std::string subjectText = subject;
    std::string path = attachment;
    if (!path.empty() && path.find(':') == std::string::npos)
      path = std::string(directory) + "\\" + path;

    MapiFileDesc file{};
    file.nPosition = ULONG(-1);
    file.lpszPathName = &path[0];
    MapiMessage message{};
    message.lpszSubject = &subjectText[0];
    message.lpszNoteText = &text[0];
    message.nRecipCount = list.Count();
    message.lpRecips = list.Data();
    message.nFileCount = path.empty() ? 0 : 1;
    message.lpFiles = path.empty() ? nullptr : &file;
    sent = SimpleMapi.SendMail(0, 0, &message, 0, 0) == SUCCESS_SUCCESS;
    std::fputs(sent ? "Message sent!\n" : "Unable to send the message!\n", stdout);
  }
  FlushQueues(session);
  return sent;
}

}  // namespace

bool SendMail(const char* recipients, const char* subject, const char* body, const char* attachment) {
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, directory);
  if (!LoadMapi()) return false;  // no mail system: nothing to report

  bool sent = false;
  ExtendedMapi.Initialize(nullptr);
  LPMAPISESSION session = nullptr;
  if (FAILED(ExtendedMapi.LogonEx(0, nullptr, nullptr,
                                  MAPI_EXTENDED | MAPI_NEW_SESSION | MAPI_LOGON_UI | MAPI_USE_DEFAULT,
                                  &session)) ||
      !session) {
    MailBox("Could not logon to the current MAPI mail profile!\n");
  } else {
    sent = SendThroughSession(session, recipients, subject, body ? body : "", attachment ? attachment : "",
                              directory);
    session->Logoff(0, 0, 0);
    session->Release();
  }
  ExtendedMapi.Uninitialize();
  UnloadMapi();
  SetCurrentDirectoryA(directory);
  return sent;
}
