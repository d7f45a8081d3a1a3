// The About box: product name, version, copyright and two links over the About skin.
#pragma once

#include "Form.h"
#include "ImageButton.h"
#include "Label.h"
#include "Picture.h"
#include "URLLabel.h"

namespace kx::portico {

class TfrmAbout : public ui::Form {
public:
    explicit TfrmAbout(ui::Form& owner);

    // Painted back to front in this order.
    ui::Picture Image1;
    ui::Label lblCopyright;
    ui::TkxURLLabel lblHomepage;
    ui::TkxURLLabel lblSupport;
    ui::Label lblVersion;
    ui::Label lblProducteName;
    ui::Label lblTitle;

    ui::TkxImageButton btnFrmClose;
    ui::TkxImageButton btnExit;

    void lblSupportClick();
    void btnExitClick() { Close(); }
    void btnFrmCloseClick() { Close(); }

protected:
    void FormShow() override;

private:
    void LoadSkinImages();
};

}  // namespace kx::portico
