#include "Properties.h"
#include "ResourceIds.h"

TPropertyForm::TPropertyForm(HWND owner) {
    createDialog(IDD_PROPERTIES, owner);
}
