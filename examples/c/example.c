/* zrt32 from C: makes an array file of units sold (3 regions by 4 months) and one of prices,
 * computes the revenue inside the file with Calc, reads it back with Get, and frees every
 * array on the way.
 *
 * Arguments are arrays in the interpreter's layout (include/zrt32.h), built here with malloc
 * and owner class 0: they stay the caller's, and the library never frees them. Results are
 * new arrays that belong to the caller, allocated with the C library's malloc: each block is
 * released with free, the items of a nested result first (docs/host.md, "Arrays and blocks").
 *
 * Run it where the library finds its configuration (docs/configuration.md), for example with
 * ZRT32_HKCU=<prefix>/share/zrt32/config/registry.ini and ZRT32_INIDIR=<prefix>/share/zrt32/config.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zrt32.h>

enum { kChar = 0, kInt32 = 4, kDouble = 5, kNested = 6 };

/* ---- arrays in the interpreter's layout ---------------------------------------------- */

static uint32_t rankOf(const APLArray* a) { return (a->descriptor >> 4) & 15u; }
static uint32_t typeOf(const APLArray* a) { return (a->descriptor >> 8) & 15u; }
static uint32_t ownerOf(const APLArray* a) { return a->descriptor & 15u; }
static uint32_t* shapeOf(APLArray* a) { return (uint32_t*)(a + 1); }
static unsigned char* dataOf(APLArray* a) { return (unsigned char*)(shapeOf(a) + rankOf(a)); }

static uint32_t countOf(APLArray* a) {
    uint32_t n = 1;
    for (uint32_t i = 0; i < rankOf(a); ++i) n *= shapeOf(a)[i];
    return n;
}

/* A new block of the caller's (owner class 0) with room for the data; nested slots are
 * native pointers, so blockWords counts them at their own width. */
static APLArray* newArray(uint32_t type, uint32_t rank, const uint32_t* shape) {
    uint32_t n = 1;
    for (uint32_t i = 0; i < rank; ++i) n *= shape[i];
    size_t width = type == kNested ? sizeof(void*) : type == kDouble ? 8 : type == kInt32 ? 4 : 1;
    size_t bytes = sizeof(APLArray) + 4 * rank + (n * width + 3) / 4 * 4;
    APLArray* a = calloc(1, bytes);
    if (!a) {
        fprintf(stderr, "out of memory\n");
        exit(1);
    }
    a->blockWords = (uint32_t)(bytes / 4);
    a->descriptor = (uint16_t)((type << 8) | (rank << 4));
    if (rank) memcpy(shapeOf(a), shape, 4 * rank);
    return a;
}

static APLArray* text(const char* s) {
    uint32_t n = (uint32_t)strlen(s);
    APLArray* a = newArray(kChar, 1, &n);
    memcpy(dataOf(a), s, n);
    return a;
}

static APLArray* integer(int32_t v) {
    APLArray* a = newArray(kInt32, 0, NULL);
    memcpy(dataOf(a), &v, 4);
    return a;
}

static APLArray* integers(uint32_t n, const int32_t* v) {
    APLArray* a = newArray(kInt32, 1, &n);
    memcpy(dataOf(a), v, 4 * (size_t)n);
    return a;
}

static APLArray* matrix(uint32_t rows, uint32_t columns, const double* v) {
    uint32_t shape[2] = {rows, columns};
    APLArray* a = newArray(kDouble, 2, shape);
    memcpy(dataOf(a), v, 8 * (size_t)rows * columns);
    return a;
}

/* A nested vector of the items given, which it then owns. */
static APLArray* vector(uint32_t n, APLArray* const* items) {
    APLArray* a = newArray(kNested, 1, &n);
    memcpy(dataOf(a), items, n * sizeof(void*));
    return a;
}
#define VECTOR(...) \
    vector(sizeof((APLArray*[]){__VA_ARGS__}) / sizeof(APLArray*), (APLArray*[]){__VA_ARGS__})

static APLArray* itemOf(APLArray* nested, uint32_t i) {
    APLArray* item;
    memcpy(&item, dataOf(nested) + i * sizeof(void*), sizeof item);
    return item;
}

/* An argument built here: every block is the caller's. */
static void freeArgument(APLArray* a) {
    if (typeOf(a) == kNested)
        for (uint32_t i = 0; i < countOf(a); ++i) freeArgument(itemOf(a, i));
    free(a);
}

/* A result: the library made its blocks (owner class 15 simple, 7 nested); an empty nested
 * array also holds its prototype. */
static void freeResult(APLArray* a) {
    if (!a || (ownerOf(a) != 7 && ownerOf(a) != 15)) return;
    if (typeOf(a) == kNested) {
        uint32_t n = countOf(a);
        for (uint32_t i = 0; i < (n ? n : 1); ++i) freeResult(itemOf(a, i));
    }
    free(a);
}

/* ---- calls --------------------------------------------------------------------------- */

/* The code of a result: a one-element code vector, or item 0 of (0, value). */
static int32_t codeOf(APLArray* result) {
    int32_t code;
    APLArray* first = typeOf(result) == kNested ? itemOf(result, 0) : result;
    memcpy(&code, dataOf(first), 4);
    return code;
}

/* Calls an array export, frees its argument, and stops the program on a non-zero code. */
static APLArray* call(const char* name, APLArray* (ZRT_API* export)(APLArray*), APLArray* arg) {
    APLArray* result = export(arg);
    freeArgument(arg);
    if (!result || codeOf(result) != 0) {
        fprintf(stderr, "%s failed with %d\n", name, result ? codeOf(result) : -1);
        freeResult(result);
        exit(1);
    }
    return result;
}

static void check(const char* name, APLArray* (ZRT_API* export)(APLArray*), APLArray* arg) {
    freeResult(call(name, export, arg));
}

int main(void) {
    uint32_t code = Init("", NULL);
    if (code != ZRT_OK) {
        fprintf(stderr, "Init failed with %u: is the configuration found? (docs/configuration.md)\n",
                code);
        return 1;
    }

    /* New 'Shop' 2 0 'shop.arr' ((1 2 3) (1 2 3 4)) (,⊂'Shop' 0 0)
     *     (('Region' 0 0) ('Month' 0 0)) ('Price' 'Revenue') */
    const int32_t regions[] = {1, 2, 3}, months[] = {1, 2, 3, 4};
    check("New", New,
          VECTOR(text("Shop"), integer(2), integer(0), text("shop.arr"),
                 VECTOR(integers(3, regions), integers(4, months)),
                 VECTOR(VECTOR(text("Shop"), integer(0), integer(0))),
                 VECTOR(VECTOR(text("Region"), integer(0), integer(0)),
                        VECTOR(text("Month"), integer(0), integer(0))),
                 VECTOR(text("Price"), text("Revenue"))));

    const double units[] = {10, 12, 9, 14, 20, 18, 25, 22, 5, 7, 6, 8};
    const double prices[] = {2.5, 2.5, 3, 3, 2, 2, 2, 2.5, 4, 4, 4, 4};
    check("Put", Put, VECTOR(text("Shop.Data"), matrix(3, 4, units)));
    check("Put", Put, VECTOR(text("Shop.Price"), matrix(3, 4, prices)));

    /* Revenue = units times price, computed in the file: nothing comes back but the code. */
    check("Calc", Calc,
          VECTOR(text("mul"), text("Shop.Revenue"), text("Shop.Data"), text("Shop.Price")));

    /* Get gives (0, values): a 3 by 4 matrix of doubles. */
    APLArray* got = call("Get", Get, VECTOR(text("Shop.Revenue")));
    APLArray* revenue = itemOf(got, 1);
    printf("revenue by region (rows) and month (columns):\n");
    for (uint32_t r = 0; r < shapeOf(revenue)[0]; ++r) {
        for (uint32_t c = 0; c < shapeOf(revenue)[1]; ++c) {
            double v;
            memcpy(&v, dataOf(revenue) + 8 * (r * shapeOf(revenue)[1] + c), 8);
            printf(" %6.1f", v);
        }
        printf("\n");
    }
    freeResult(got);

    /* Remove deletes the disk file and the object; Close "." ends everything else. */
    check("Remove", Remove, VECTOR(text("Shop")));
    check("Close", Close, VECTOR(text(".")));
    return 0;
}
