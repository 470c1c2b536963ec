// pravel-rc-writer: writes the main dialog's resource script (src/winui/MainDialog.rc) from the
// control table both desktop front ends are built from.
//
//   pravel-rc-writer OUTPUT.rc
#include <fstream>
#include <iostream>

#include "form/DialogResourceScript.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: pravel-rc-writer OUTPUT.rc\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << MainDialogResourceScript();
    out.close();
    if (!out) {
        std::cerr << "pravel-rc-writer: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
