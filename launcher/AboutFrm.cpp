#include "AboutFrm.h"

#include "Global.h"
#include "LauncherState.h"
#include "Os.h"
#include "Shell.h"

namespace kx::portico {
namespace {

constexpr COLORREF TitleColorBrand2 = 0x625A26;

// Stand-ins shown until the skin's pictures replace them.
std::shared_ptr<ui::Bitmap> BuiltInPicture(int width, int height, COLORREF fill, COLORREF frame) {
    auto bitmap = ui::Bitmap::Create(width, height, frame);
    bitmap->Fill(RECT{1, 1, width - 1, height - 1}, fill);
    return bitmap;
}

ui::FontSpec FontOf(const wchar_t* face, int height, bool bold, COLORREF color) {
    ui::FontSpec font;
    font.Face = face;
    font.Height = height;
    font.Bold = bold;
    font.Color = color;
    return font;
}

}  // namespace

TfrmAbout::TfrmAbout(ui::Form& owner)
    : Form(&owner, ui::FormBorder::None, 481, 348),
      Image1(*this, 0, 0, 481, 348),
      lblCopyright(*this, 52, 257, 367, 17),
      lblHomepage(*this, 22, 203),
      lblSupport(*this, 256, 203),
      lblVersion(*this, 22, 116, 367, 17),
      lblProducteName(*this, 22, 51, 438, 25),
      lblTitle(*this, 37, 8),
      btnFrmClose(*this, 435, 4, 36, 23),
      btnExit(*this, 192, 283, 90, 40) {
    SetCaption("About");
    SetPosition(ui::FormPosition::OwnerCenter);

    Image1.SetAutoSize(true);
    Image1.SetBitmap(BuiltInPicture(481, 348, RGB(32, 44, 66), RGB(70, 90, 120)));
    Image1.OnMouseDown = [this](ui::MouseButton, int, int) { BeginDrag(); };

    lblCopyright.SetAlignment(ui::TextAlignment::Center);
    lblCopyright.SetWordWrap(true);
    lblCopyright.SetTransparent(true);

    for (ui::TkxURLLabel* link : {&lblHomepage, &lblSupport}) {
        link->SetTransparent(true);
        link->SetFontHoverColor(RGB(255, 0, 0));
        link->SetFontLinkColor(RGB(0, 0, 255));
    }
    lblHomepage.SetText("Visit the home page of this product");
    lblSupport.SetText("Contact technical support team");
    lblSupport.OnClick = [this] { lblSupportClick(); };

    lblVersion.SetFont(FontOf(L"Tahoma", 11, true, RGB(0, 0, 0)));
    lblVersion.SetTransparent(true);
    lblVersion.SetWordWrap(true);
    lblVersion.SetText("Version: 1.101");

    lblProducteName.SetFont(FontOf(L"Times New Roman", 22, true, RGB(0, 0, 0)));
    lblProducteName.SetAlignment(ui::TextAlignment::Center);
    lblProducteName.SetTransparent(true);

    lblTitle.SetFont(FontOf(L"Tahoma", 13, true, RGB(255, 255, 255)));
    lblTitle.SetTransparent(true);
    lblTitle.SetAutoSize(true);
    lblTitle.OnMouseDown = [this](ui::MouseButton, int, int) { BeginDrag(); };

    btnFrmClose.SetAutoSize(true);
    btnFrmClose.SetTransparent(true);
    btnFrmClose.SetPicNormal(BuiltInPicture(36, 23, RGB(90, 40, 40), RGB(150, 70, 70)));
    btnFrmClose.OnClick = [this] { btnFrmCloseClick(); };

    btnExit.SetAutoSize(true);
    btnExit.SetStretch(true);
    btnExit.SetTransparent(true);
    btnExit.SetFont(FontOf(L"Tahoma", 21, true, RGB(0, 0, 0)));
    btnExit.SetCaption("OK");
    btnExit.SetPicNormal(BuiltInPicture(90, 40, RGB(200, 210, 225), RGB(120, 130, 150)));
    btnExit.OnClick = [this] { btnExitClick(); };
    btnFrmClose.AccessibleName =
        SpokenName(keys::AboutCloseName, [this] { return CloseCommandText(); });
    btnExit.AccessibleName = SpokenName(keys::AboutOkName);
    btnFrmClose.SetCancel(true);  // Esc closes the box
    SetTabOrder({&btnExit, &btnFrmClose});
}

void TfrmAbout::LoadSkinImages() {
    const std::string folder = os::ProgramFolder() + Lookup(keys::PorticoImagePath) + "\\About\\";
    auto load = [&](const char* file) { return ui::Bitmap::LoadFromFile(folder + file); };
    Image1.SetBitmap(load("Main.bmp"));
    btnFrmClose.SetPicNormal(load("btnClose_Normal.bmp"));
    btnFrmClose.SetPicMouseOn(load("btnClose_On.bmp"));
    btnFrmClose.SetPicMouseDown(load("btnClose_Down.bmp"));
    btnFrmClose.SetPicDisabled(load("btnClose_Disable.bmp"));
    btnExit.SetPicNormal(load("btnOK_Normal.bmp"));
    btnExit.SetPicMouseOn(load("btnOK_On.bmp"));
    btnExit.SetPicMouseDown(load("btnOK_Down.bmp"));
    btnExit.SetPicDisabled(load("btnOK_Disable.bmp"));
}

void TfrmAbout::FormShow() {
    LoadSkinImages();
    lblProducteName.SetText(Lookup(keys::PorticoShortName));
    lblCopyright.SetText(Lookup(keys::AboutCopyright));
    lblHomepage.SetText(Lookup(keys::AboutHomePage));
    lblHomepage.URL = Lookup(keys::PorticoHomePage);
    lblSupport.SetText(Lookup(keys::AboutSupport));
    lblSupport.URL.clear();
    lblVersion.SetText(Lookup(keys::AboutVersion) + " " + Lookup(keys::PorticoVersionNumber));
    lblTitle.SetText(Lookup(keys::PorticoShortName) + " " + Lookup(keys::PorticoVersionNumber));
    btnExit.SetCaption(Lookup(keys::AboutOk));
    const bool brand2 = State().BrandNumber == 2;
    lblTitle.SetFontColor(brand2 ? TitleColorBrand2 : RGB(255, 255, 255));
    SetRoundedShape(brand2 ? 5 : 9);
}

void TfrmAbout::lblSupportClick() {
    std::string address;
    if (State().CompanyName == "corvith laboratory") {
        // The key is stored with a trailing blank, which the INI rules ignore.
        address = Lookup(keys::PorticoHelpPageAsAsked);
    } else {
        const std::string mail = Lookup(keys::PorticoSupportEmail);
        address = mail != MissingLookup ? "MailTo:" + mail : MakerHomePageUrl();
    }
    ui::OpenAddress(address, SW_SHOWNORMAL);
}

}  // namespace kx::portico
