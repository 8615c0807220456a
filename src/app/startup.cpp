#include "startup.h"

#include "form1.h"

#include "downloads/downloadmanager.h"

void openMainWindow(Form1 &window)
{
    window.Form_Load();
    window.show();
    window.downloads().restoreUnfinished();
}
