/* main.c - the smallest till: the library answers before initQX, then opens its device library. */
#include <stdio.h>
#include <string.h>

#include "qxlogics.h"

static void QXAPI onStatus(int a, short s, short m) { (void)a, (void)s, (void)m; }
static void QXAPI onError(int c, const char* t, const char* e) { (void)c, (void)t, (void)e; }
static void QXAPI onCashLevel(int d, int c, const char* e) { (void)d, (void)c, (void)e; }

int main(void) {
    char message[QX_BUFFER_CAPACITY] = "";
    short code = exitQX(message);
    printf("exitQX -> %d %s\n", code, message);
    if (code != QX_STATUS_ERROR || strcmp(message, "Not initiated") != 0) return 1;
    registerEventsQX(onStatus, onError, onCashLevel, message);
    code = initQX("Type:RS232;Name:COM1", "", message);
    printf("initQX -> %d %s\n", code, message);
    return code == QX_STATUS_OK && exitQX(message) == QX_STATUS_OK ? 0 : 1;
}
