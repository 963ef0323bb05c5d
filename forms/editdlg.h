// The record edit form: one modeless dialog over one record of one entity, built from the
// generated template "Edit_<entity>", that shows, finds, stores, deletes and steps through
// records.
#pragma once

#include <windows.h>

#include "forms/basedlg.h"

class TDBRecord;
class TDBRecList;
class TFormTransaction;
class TRecListBox;
class TTabPages;
struct TAttribute;
struct TEntity;
struct TRelationship;

// What the form shows: a record read from the database, a fresh record, or a fresh record
// the user has begun to fill.
enum class TFormState { Existing = 0, FreshEdited = 1, Fresh = 2 };

// How the form was opened: on a new record (EDIT with an entity name, Add) or on a record
// that exists.
enum class TFormMode { NewRecord = 0, ExistingRecord = 1 };

// Help context of an edit form: this plus the entity's position in the model.
constexpr int EDIT_FORM_HELP_CONTEXT = 199;

class TEditDlg : public TBaseDlg {
public:
  // A main form over the record (the form owns it).
  TEditDlg(TDBRecord* record, TFormMode mode);
  // A child form opened through relationship from parent (not owned); list is the opener's
  // list box (may be null), whose selected row becomes the current row.
  TEditDlg(TDBRecord* record, TRelationship* relationship, TDBRecord* parent, TRecListBox* list,
           TFormMode mode);
  ~TEditDlg() override;

  void Hook() override;
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnHelpButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnImport(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  virtual TDBRecord* GetRecord();
  virtual TRelationship* GetParentLink();
  // Fresh record: defaults (keep: the values kept across a reset are not kept), shown.
  virtual void NewRecord(int keep);
  // The form's record takes the given one and shows it.
  virtual void AssignRecord(TDBRecord* record);
  // Recalculates and shows the record on the form's own window, whatever window is given.
  virtual void Redisplay(HWND window, int push);
  virtual void FocusFirstField(HWND window);
  virtual void AfterChangeHook(HWND window, int existing);
  virtual void SetFormState(HWND window, TFormState state);
  virtual INT_PTR OnCtlColorEdit(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnCtlColorDlg(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnClosePage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Record commands.
  virtual INT_PTR First(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Previous(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Next(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Last(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Store(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Find(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Delete(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Reset(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR PrintScreen(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Recalculate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Related records, lookups, field buttons and RUN buttons.
  virtual INT_PTR AddChild(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR ModifyChild(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR DeleteChild(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR ViewRelated(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR Lookup(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR ShowRelated(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR ExpandField(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR BrowseFile(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR ExecuteField(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR RunButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnReportAck(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Notifications of the child lists and the fields.
  virtual INT_PTR OnListCacheHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnListItemChanged(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnListFocus(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnFieldChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnFieldKillFocus(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnFieldSetFocus(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnComboEditUpdate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual INT_PTR OnComboSetFocus(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Controls and record.
  virtual void SetupControls(HWND window, int page);
  virtual void ClearControls();
  virtual void SetDefaults(int keep);
  virtual void RecordToControls(HWND window);
  // Reads every field into the record; false (with the record's status set) when a field
  // holds text its column cannot take.
  virtual bool ControlsToRecord(HWND window);
  virtual void ShowRecord();
  virtual bool ReadForm();
  virtual void PushLinkedValues(HWND window);
  // Brings the other open windows up to date after this form stored or deleted a record
  // (RefreshWindowsAfterWrite). False when this form went meanwhile (a window that owned
  // it was closed).
  virtual bool RefreshOpenDialogs();
  virtual void AfterStoreHook(HWND window);
  virtual void QuickSearch(int attribute);
  virtual void RecalcAfterField(int attribute);

  // Whether a field the user can change differs from the stored row (computed fields
  // brought up to date do not count).
  bool HasUserChanges();

  // State for the windows that work with the form (find results, tests).
  TFormState GetFormState() const { return state_; }
  bool IsSingleFind() const { return singleFind_; }
  HWND GetWindow() const { return window_; }
  TEntity* GetEntity() const { return entity_; }
  TRecListBox* GetChildList(int relationship) const;
  int GetCurrentRow() const { return currentRow_; }
  // The page whose procedure dispatches the message in hand, -1 for the form's own.
  int GetPageContext() const { return pageContext_; }
  void SetPageContext(int page) { pageContext_ = page; }

  // Shows the page the tab control has selected, a closed one made and filled again.
  void ShowSelectedPage();

  // Refreshes the child lists whose relationship leads to the entity (or depends on it).
  void RefreshChildListsLeadingTo(const TEntity* entity);
  // Recalculates the computed and shadow fields from the record as it stands and shows
  // only them: the record is not read again and what the user typed stays.
  void RefreshComputedFields();

  static DLGPROC GetDialogProc();

private:
  // The window holding the controls of a page (the form's own window on a form without
  // pages); a closed page is made again, set up and filled from the record.
  HWND PageWindow(int page);
  void RestorePage(int page);
  // A control of attribute i's page, or of the form.
  HWND FieldItem(int attribute, int id);
  void SetStatusLine(const char* text);
  // The message box of the form: the entity's caption as caption.
  int Ask(const char* text, UINT style);
  // The steps after a successful store or delete, and the status text.
  void AfterWrite(HWND window, bool keepValues, const char* status);
  void ApplyAutoClose(HWND window);
  void ApplyRights(HWND window);
  bool UpdatesRefused() const;
  void ApplySaveRule();
  void ApplyFieldFonts();
  void ShowField(int i);
  bool ReadField(int i);
  // Update; when related rows hold the old key and cascades are allowed, asks and updates
  // with the cascade. False when the user declined (the status line holds why).
  bool UpdateWithCascade(TFormTransaction& transaction, const char* question);
  void Move(HWND window, int direction);
  void MoveInList(HWND window, int direction);
  // Fetches the opener's list on until the row after row has come. False when the form
  // went meanwhile, or the list did (the form then steps through it no more).
  bool FetchRowsAfter(int row);
  void MoveInTable(int direction);
  void AfterMove();
  void NotAvailable(const char* what);
  void DeleteChildLists();
  // The open forms that step through the list box step through their table from now on.
  static void StopSteppingThrough(const TRecListBox* list);
  void SetupChildLists(int page);
  // The record's shadow and computed values brought up to date with what the form holds.
  void RecalculateFields();
  void ShowFieldHelp(int attribute);
  // The relationship buttons: whether the form's record is in the database (else the
  // user is told), and a child form of relationship r opened over child.
  bool ParentRecordStored();
  void OpenChildForm(int r, TDBRecord* child, TFormMode mode);

  int pageContext_ = -1;
  TDBRecord* record_;
  TEntity* entity_;
  TRelationship* parentRelationship_ = nullptr;
  TDBRecord* parentRecord_ = nullptr;
  TRecListBox* parentList_ = nullptr;
  int currentRow_ = 0;
  TRecListBox** childLists_;
  TTabPages* pages_ = nullptr;  // the pages of a paged entity
  unsigned closedPages_ = 0;    // bit n: page n was closed, to be set up again when next made
  TFormMode mode_;
  TFormState state_ = TFormState::Fresh;
  bool singleFind_ = false;
  bool storeRight_ = true;  // the user may store records of the entity
  bool showing_ = false;  // the form writes its controls: their change notices are its own
  HWND window_ = nullptr;
};

// The form objects the openers create; null when the object cannot be made.
TEditDlg* CreateEditDlg(TDBRecord* record, TFormMode mode);
TEditDlg* CreateChildEditDlg(TDBRecord* record, TRelationship* relationship, TDBRecord* parent,
                             TRecListBox* list, TFormMode mode);

// Brings the open windows but one up to date after a record of the entity was stored or
// deleted: forms with a child list of the entity refresh it and its count, forms whose
// computed fields read records of it recalculate them, and the list windows over it list
// again.
void RefreshWindowsAfterWrite(const TEntity* written, HWND except);

INT_PTR CALLBACK EditDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The procedure of the page dialogs of a paged form: the form's object handles their
// controls' messages, never their own creation, closing or destruction.
INT_PTR CALLBACK EditPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
