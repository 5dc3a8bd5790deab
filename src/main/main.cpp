#include "main/startup.h"

int main() {
    return papyr::run_startup();
}
