/* An application that defines functions named like the library's exports (Get here) must not
 * have them called by the library in place of its own: XC, asked for "Get", calls zrt32's Get,
 * which answers without Init with a code. Links the shared library, as an application does. */
#include <stdio.h>
#include <string.h>

#include <zrt32.h>

static int applicationGetCalled = 0;

APLArray* ZRT_API Get(APLArray* arg) {
    (void)arg;
    applicationGetCalled = 1;
    return NULL;
}

int main(void) {
    /* The packed request: the character vector "Get" (first word blockWords + 1; owner class
     * 15, rank 1, type 0; shape 3; the characters). */
    uint32_t request[4] = {5, 0x1F, 3, 0};
    memcpy(&request[3], "Get", 3);
    void* buffer = NULL;
    void* requestBuffer = APLUnPack(request, sizeof request, &buffer);
    uint32_t* result = XC(&buffer);

    uint32_t words[4] = {0, 0, 0, 0};
    memcpy(words, result, sizeof words);
    APLFreeRes(result);
    APLFreeRes(requestBuffer);
    if (applicationGetCalled) {
        fprintf(stderr, "XC called the application's Get instead of the library's\n");
        return 1;
    }
    /* A one-element integer vector holding a code: 5, type 4 rank 1, 1, the code. */
    if (words[0] != 5 || (words[1] & 0xFF0) != 0x410 || words[2] != 1 || words[3] == 0) {
        fprintf(stderr, "unexpected result %u %x %u %u\n", words[0], words[1], words[2], words[3]);
        return 1;
    }
    return 0;
}
