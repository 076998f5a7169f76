// Resource IDs, shared by net_send.rc and the program's code.
#ifndef NETSEND_RESOURCE_IDS_H
#define NETSEND_RESOURCE_IDS_H

// Explorer and the taskbar show the icon group with the lowest ID as the program's icon.
#define IDI_ENVELOPE 1
#define IDI_SEND 2
#define IDI_CHECK 3
#define IDI_COMPUTER 4
#define IDI_SMILE 5
// windows.h already gives IDI_QUESTION to a stock icon.
#define IDI_QUESTION_DISC 6

#endif
