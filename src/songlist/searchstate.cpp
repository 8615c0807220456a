#include "searchstate.h"

SearchState &sharedSearchState()
{
    static SearchState state;
    return state;
}
