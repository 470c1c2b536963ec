#include "form/TooltipTable.h"

#include "form/MainDialogTemplate.h"
#include "model/StringTable.h"

TooltipEntry TooltipTable[] = {
    {ID_READ, IDS_TIP_READ, 0},     {ID_READ_ALL, IDS_TIP_READ_ALL, 0},
    {ID_WRITE, IDS_TIP_WRITE, 0},   {IDC_LOAD, IDS_TIP_LOAD, 0},
    {IDC_SAVE, IDS_TIP_SAVE, 0},    {IDC_COM_PORT, IDS_TIP_COM_PORT, 0},
    {IDC_CLOSE, IDS_TIP_CLOSE, 0},  {ID_HELP, IDS_TIP_HELP, 0},
    {1028, IDS_TIP_TWO_COLOURS, 0}, {1029, IDS_TIP_ONE_COLOUR, 0},
    {1030, IDS_TIP_DIAL_TONE, 0},   {1022, IDS_TIP_UNIT, 0},
    {1023, IDS_TIP_UNIT, 0},        {1024, IDS_TIP_UNIT, 0},
    {1025, IDS_TIP_UNIT, 0},        {1026, IDS_TIP_UNIT, 0},
    {1027, IDS_TIP_UNIT, 0},        {0, 0, 0},
};
