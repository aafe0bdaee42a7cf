// The window's own title bar and dragging.

#include "window/vuedialog.h"

void VueDialog::createDialogTitle()
{ }

void VueDialog::on_minButton()
{ }
