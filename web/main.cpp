// The web program: builds the production and hands it to the browser's loop
// (web/platform/Demo.cpp); main returns while the page lives on.
#include "frontend/Error.h"
#include "prod/Prod.h"

int main()
{
    try {
        // Never freed: the page's frames and calls use it after main returns.
        auto* production = new Prod::Prod();
        production->run();
    } catch (const Frontend::Error& error) {
        Frontend::reportUnrecoverable(error.what());
    }
    return 0;
}
