#include "service_main.h"

int main() {
    return RunService();
}
