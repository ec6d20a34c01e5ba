// The demo program: builds the production and plays it.
#include "frontend/Error.h"
#include "prod/Prod.h"

int main()
{
    try {
        Prod::Prod production;
        production.run();
    } catch (const Frontend::Error& error) {
        Frontend::reportUnrecoverable(error.what());
    }
    return 0;
}
