// TfrmWelcome: the first page of the installation. Shows the welcome picture, the
// product's welcome text (rich text from WelcomeFile), a link to the maker's web site
// and the buttons "Continue" (result OK) and "Cancel"; leaving any way but "Continue"
// asks before the installation is abandoned (result Cancel).
#pragma once

#include "forms/Forms.h"
#include "windows/Wendrel.h"

#include <string>

// The product data the page shows.
extern const char kProductName[];
extern const char kProductHost[];
extern const char kProductUrl[];

class TfrmWelcome : public TForm {
public:
    explicit TfrmWelcome(TForm* owner);

    // Full path of the rich-text file shown when the page is shown.
    std::string WelcomeFile;

    TImage& Image1;
    TRichEdit& RichEdit1;
    TBevel& Bevel1;
    TLabel& Label2;
    TLabel& Label1;
    TButton& cmdBack;
    TButton& cmdNext;
    TButton& cmdCancel;
    TWendrel UserURL;

    void FormCreate();
    // Loads WelcomeFile into RichEdit1; any error leaves the built-in text in place.
    void FormShow();
    void Label1Click();
    // Closing with OK needs no question; otherwise Yes closes (Cancel) and No keeps
    // the page open with its modal result reset.
    void FormCloseQuery(bool& canClose);
};
