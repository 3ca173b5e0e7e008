#pragma once

#include "uikit/text/KSTextFieldBase.h"

namespace kestrune {

// The label styles of the interface layouts: each sets its font and text colour at its first layout.

class KSTextFieldTitle : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldTitleWhite : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldTitle1 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldTitle1_2 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldTitle2 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldTitle2_2 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldTitle3 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldDescription : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class NSTextFieldDescription2 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldDescription3 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldDescription3White : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldDescription4 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

class KSTextFieldDescription5 : public KSTextFieldBase {
public:
    void setUpInitialLayout() override;
};

}  // namespace kestrune
