#include "hot_key_dialog.h"

#include "forms.h"

HWND CreateAssignHotKeyDialog(HWND owner) {
  RegisterFormClass("TAssignHotKey");
  return CreateForm("IDD_ASSIGN_HOT_KEY", owner, LayoutOnlyFormProc);
}
