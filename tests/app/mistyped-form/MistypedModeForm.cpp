// A mode form whose close query takes an argument and whose modified flag is not const: the
// forwarding would pass both over for the defaults, so registering it must not compile.
#include "app/UModeForm.h"

struct TMistypedModeForm {
    bool CloseQuery(bool force);
    bool IsModified();
    void StorePage();
};

static_assert(ModeFormMembersMatch<TMistypedModeForm>());
