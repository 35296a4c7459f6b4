#include "scope/ScopeControl.h"

// In progress.
ScopeControl::ScopeControl(Fo& fo, Link& link) : fo_(fo), link_(link) {}
void ScopeControl::Be_Click() {}
void ScopeControl::Ki_Click() {}
void ScopeControl::Triger_be_Click() {}
void ScopeControl::Triger_ki_Click() {}
void ScopeControl::prepareScope() {}
void ScopeControl::queryTiming() {}
void ScopeControl::openForBlocks() {}
void ScopeControl::stopScope() {}
