#pragma once
// Registration of the layer's window classes, one function per class.

void KvRegisterButtonClass();
void KvRegisterStaticClass();
void KvRegisterDialogClass();
void KvRegisterTabClass();
void KvRegisterEditClass();
