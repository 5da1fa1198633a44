/* main.c - the smallest till: the library answers before initialisation,
   then opens the device library that sits beside it (the simulator). */
#include <stdio.h>
#include <string.h>

#include "qxlogics.h"

static void QXAPI onStatus(int amount, short status, short mode) {
    (void)amount, (void)status, (void)mode;
}
static void QXAPI onError(int code, const char* text, const char* extInfo) {
    (void)code, (void)text, (void)extInfo;
}
static void QXAPI onCashLevel(int denomination, int count, const char* extInfo) {
    (void)denomination, (void)count, (void)extInfo;
}

int main(void) {
    char message[QX_BUFFER_CAPACITY] = "";
    short code = exitQX(message);
    printf("exitQX -> %d %s\n", code, message);
    if (code != QX_STATUS_ERROR || strcmp(message, "Not initiated") != 0) return 1;
    registerEventsQX(onStatus, onError, onCashLevel, message);
    code = initQX("Type:RS232;Name:COM1", "", message);
    printf("initQX -> %d %s\n", code, message);
    if (code != QX_STATUS_OK) return 1;
    return exitQX(message) == QX_STATUS_OK ? 0 : 1;
}
