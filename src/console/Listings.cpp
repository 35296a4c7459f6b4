#include "console/Listings.h"

// In progress.
Listings::Listings(Fo& fo, Link& link) : fo_(fo), link_(link) {}
void Listings::Command1_Click() {}
void Listings::Spec_Click() {}
void Listings::SF_Click() {}
