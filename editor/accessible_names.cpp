// The choosers and the list carry no label a screen reader can use. The list's window
// text serves as its name (it is never shown); the choosers, whose text is their
// selection, get theirs through the accessibility layer's dynamic annotation.
#include <windows.h>
#include <initguid.h>
#include <oleacc.h>

#include "editor/accessible_names.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"

static void Annotate(IAccPropServices* services, HWND control, const wchar_t* name)
{
    services->SetHwndPropStr(control, (DWORD)OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, name);
}

void NameControlsForScreenReaders(HWND page)
{
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    SetWindowTextA(list, ACCESSIBLE_NAME_PAIRS);

    // The annotation is kept with the windows; the service object is needed only to set it.
    // Without COM or the service (Wine has none) the choosers simply stay unnamed.
    if (FAILED(CoInitialize(NULL))) return;
    IAccPropServices* services = NULL;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, NULL, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                (void**)&services)))
        return;
    Annotate(services, GetDlgItem(page, IDC_SOURCE_CHOOSER), L"" ACCESSIBLE_NAME_SOURCE);
    Annotate(services, GetDlgItem(page, IDC_DESTINATION_CHOOSER), L"" ACCESSIBLE_NAME_DESTINATION);
    Annotate(services, list, L"" ACCESSIBLE_NAME_PAIRS);
    services->Release();
}
