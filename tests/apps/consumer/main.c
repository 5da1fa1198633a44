/* main.c - the smallest till: the library answers before initialisation. */
#include <stdio.h>
#include <string.h>

#include "qxlogics.h"

int main(void) {
    char message[QX_BUFFER_CAPACITY] = "";
    short code = exitQX(message);
    printf("exitQX -> %d %s\n", code, message);
    return code == QX_STATUS_ERROR && strcmp(message, "Not initiated") == 0 ? 0 : 1;
}
