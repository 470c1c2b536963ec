#include "form/DialogItems.h"

void CheckRadioButton(IDialogItems& items, int first, int last, int id)
{
    for (int button = first; button <= last; ++button)
        items.CheckButton(button, button == id);
}
