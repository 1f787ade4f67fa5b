/* A SANE backend that misbehaves as real ones do, for the scanner tests: libsane-faulty.so.1, found by
 * SANE's dll backend through LD_LIBRARY_PATH and a dll.conf that names "faulty". Its devices are grey
 * 16 x 16 scanners with one setting (resolution); each fails its own way:
 *   faulty:crash       crashes in sane_read
 *   faulty:hang        never returns from sane_read, cancelled or not
 *   faulty:lock        jams in sane_read after a reader thread of its own ended holding the device's
 *                      lock, so sane_cancel and sane_close then wait for ever
 *   faulty:crash-open  crashes in sane_open */

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <sane/sane.h>

enum { kSide = 16 };

typedef enum { kCrash, kHang, kLock, kCrashOpen, kDevices } Fault;

/* As the backend names them; SANE puts "faulty:" before each. */
static const char* const kNames[kDevices] = {"crash", "hang", "lock", "crash-open"};
static SANE_Device devices[kDevices];
static const SANE_Device* deviceList[kDevices + 1];

typedef struct {
    Fault fault;
    SANE_Word resolution;
} Device;

static Device opened[kDevices];
static pthread_mutex_t deviceLock = PTHREAD_MUTEX_INITIALIZER;

static const SANE_Range kResolutions = {50, 600, 1};
static const SANE_Option_Descriptor kOptions[2] = {
    {"", "Number of options", "", SANE_TYPE_INT, SANE_UNIT_NONE,
     sizeof(SANE_Word), SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_NONE, {NULL}},
    {"resolution", "Resolution", "", SANE_TYPE_INT, SANE_UNIT_DPI,
     sizeof(SANE_Word), SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_RANGE,
     {(const SANE_String_Const*)&kResolutions}},
};

SANE_Status sane_faulty_init(SANE_Int* version, SANE_Auth_Callback authorize) {
    (void)authorize;
    if (version)
        *version = SANE_VERSION_CODE(1, 0, 0);
    for (int i = 0; i < kDevices; ++i) {
        devices[i].name = kNames[i];
        devices[i].vendor = "Faulty";
        devices[i].model = kNames[i];
        devices[i].type = "flatbed scanner";
        deviceList[i] = &devices[i];
    }
    deviceList[kDevices] = NULL;
    return SANE_STATUS_GOOD;
}

void sane_faulty_exit(void) {}

SANE_Status sane_faulty_get_devices(const SANE_Device*** list, SANE_Bool localOnly) {
    (void)localOnly;
    *list = deviceList;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_faulty_open(SANE_String_Const name, SANE_Handle* handle) {
    for (int i = 0; i < kDevices; ++i) {
        if (strcmp(name, kNames[i]) != 0)
            continue;
        if (i == kCrashOpen)
            raise(SIGSEGV);
        opened[i].fault = (Fault)i;
        opened[i].resolution = 50;
        *handle = &opened[i];
        return SANE_STATUS_GOOD;
    }
    return SANE_STATUS_INVAL;
}

static void Cancel(Device* device) {
    if (device->fault == kLock) {
        pthread_mutex_lock(&deviceLock);
        pthread_mutex_unlock(&deviceLock);
    }
}

void sane_faulty_close(SANE_Handle handle) {
    Cancel(handle);
}

const SANE_Option_Descriptor* sane_faulty_get_option_descriptor(SANE_Handle handle, SANE_Int option) {
    (void)handle;
    return option >= 0 && option < 2 ? &kOptions[option] : NULL;
}

SANE_Status sane_faulty_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                       SANE_Int* info) {
    Device* device = handle;
    if (info)
        *info = 0;
    if (option == 0 && action == SANE_ACTION_GET_VALUE) {
        *(SANE_Word*)value = 2;
        return SANE_STATUS_GOOD;
    }
    if (option != 1)
        return SANE_STATUS_INVAL;
    if (action == SANE_ACTION_GET_VALUE)
        *(SANE_Word*)value = device->resolution;
    else if (action == SANE_ACTION_SET_VALUE)
        device->resolution = *(SANE_Word*)value;
    else
        return SANE_STATUS_INVAL;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_faulty_get_parameters(SANE_Handle handle, SANE_Parameters* parameters) {
    (void)handle;
    parameters->format = SANE_FRAME_GRAY;
    parameters->last_frame = SANE_TRUE;
    parameters->bytes_per_line = kSide;
    parameters->pixels_per_line = kSide;
    parameters->lines = kSide;
    parameters->depth = 8;
    return SANE_STATUS_GOOD;
}

/* A reader thread stopped while it held the device's lock: the lock stays taken. */
static void* ReaderHoldingTheLock(void* unused) {
    (void)unused;
    pthread_mutex_lock(&deviceLock);
    return NULL;
}

SANE_Status sane_faulty_start(SANE_Handle handle) {
    (void)handle;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_faulty_read(SANE_Handle handle, SANE_Byte* data, SANE_Int most, SANE_Int* got) {
    Device* device = handle;
    (void)data;
    (void)most;
    *got = 0;
    switch (device->fault) {
    case kCrash:
        raise(SIGSEGV);
        return SANE_STATUS_IO_ERROR;
    case kHang:
        for (;;)
            pause();
    case kLock: {
        pthread_t reader;
        if (pthread_create(&reader, NULL, ReaderHoldingTheLock, NULL) == 0)
            pthread_join(reader, NULL);
        return SANE_STATUS_JAMMED;
    }
    default:
        return SANE_STATUS_IO_ERROR;
    }
}

void sane_faulty_cancel(SANE_Handle handle) {
    Cancel(handle);
}

SANE_Status sane_faulty_set_io_mode(SANE_Handle handle, SANE_Bool nonBlocking) {
    (void)handle;
    return nonBlocking ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
}

SANE_Status sane_faulty_get_select_fd(SANE_Handle handle, SANE_Int* fd) {
    (void)handle;
    (void)fd;
    return SANE_STATUS_UNSUPPORTED;
}
