// Opening dialog 20003 through the host's runtime library, and what every
// setup or information dialog procedure shares. Linked only into objects
// that name RunSetupDialog in their description, so the others do not
// import HostDialogBox.
#include "description.h"
#include "hrtl32.h"

intptr_t RunSetupDialog(HostContext* host, EditStructure* edit, DialogRoutine procedure)
{
    SetupDialogContext context{edit, host};
    return HostDialogBox(moduleHandle, SetupDialogId, host->editorWindow, procedure, 0, 0, 3,
                         reinterpret_cast<LPARAM>(&context));
}

void StoreDialogContext(HWND dialog, LPARAM initParameter)
{
    SetWindowLongPtrA(dialog, DWLP_USER, initParameter);
}

SetupDialogContext* DialogContextOf(HWND dialog)
{
    return reinterpret_cast<SetupDialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void ShowObjectHelp(const SetupDialogContext* context)
{
    if (context == nullptr || context->hostContext == nullptr || context->hostContext->ShowHelp == nullptr)
        return;
    char* path = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 260));
    if (path == nullptr)
        return;
    GetModuleFileNameA(moduleHandle, path, 260);
    path[259] = '\0';
    context->hostContext->ShowHelp(path, 1, 1);
    HeapFree(GetProcessHeap(), 0, path);
}
