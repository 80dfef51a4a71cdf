// Helpers for driving the hint dialogs in process: a scratch registry behind HKEY_LOCAL_MACHINE,
// and a driver that acts on a modal dialog or message box while the call that opened it blocks.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// The registry under test (shared/regfixture.h) with the product key "SOFTWARE\Quarnell\Halvane"
// in it, for the lifetime of the object.
struct ScratchRegistry {
    ScratchRegistry();
    ~ScratchRegistry();
};

// Starts the registry under test afresh: the product key and nothing else.
void ClearRecords();

// One record as the registry holds it; a value that is missing is absent from the map.
typedef std::map<std::string, std::string> Values;
// Writes a record below AppHintsKey with the given REG_SZ values (bytes as given, plus a zero).
void SeedRecord(const std::string &name, const Values &values);
// The records below AppHintsKey in enumeration order.
std::vector<std::string> RecordNames();
// The REG_SZ-or-other values of one record, each as its bytes up to the first zero.
Values RecordValues(const std::string &name);
// Lets the record grant KEY_READ only.
bool MarkRecordReadOnly(const std::string &name);

// The lines of a list box of this process, and its selection.
std::vector<std::string> ListLines(HWND list);

std::string WindowText(HWND window);

// A visible dialog of this thread holding a control with the id, or NULL.
HWND ShownDialog(int controlId);
// A visible message box of this thread (a dialog with none of the hint dialogs' controls).
HWND ShownMessageBox();

// Runs `blocking`, which opens modal dialogs or message boxes on this thread. While it blocks,
// a thread timer (dispatched by the modal loops) polls the steps in order: each step returns
// true once it has acted, and the next one is polled from the following tick on. Steps must
// post rather than send anything that opens a further modal loop. A timer tick comes only when
// the queue is empty, so each step sees the effects of what earlier steps posted. After a
// bound, every visible dialog of the thread is ended so the test cannot hang; the call then
// fails the test. Returns true when every step ran.
typedef std::function<bool()> Step;
bool WhileModal(const std::function<void()> &blocking, const std::vector<Step> &steps);
