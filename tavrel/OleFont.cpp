#include "tavrel/OleFont.h"

#include "common/win/ComValues.h"

namespace klevotrim::tavrel {

using Microsoft::WRL::ComPtr;

ComPtr<IFontDisp> CreateFontObject(const FontFace& face) {
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof(desc);
    // FONTDESC takes the name without const; the font object only copies it.
    desc.lpstrName = const_cast<LPOLESTR>(face.name.c_str());
    desc.cySize.int64 = face.size;
    desc.sWeight = face.weight;
    desc.sCharset = face.charset;
    desc.fItalic = face.italic;
    desc.fUnderline = face.underline;
    desc.fStrikethrough = face.strikethrough;
    ComPtr<IFontDisp> font;
    if (FAILED(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(font.GetAddressOf()))))
        return nullptr;
    return font;
}

std::optional<FontFace> ReadFontFace(IUnknown* object) {
    ComPtr<IFont> font;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&font))))
        return std::nullopt;
    FontFace face;
    win::Bstr name;
    CY size{};
    BOOL italic = FALSE, underline = FALSE, strikethrough = FALSE;
    if (FAILED(font->get_Name(name.put())) || FAILED(font->get_Size(&size)) ||
        FAILED(font->get_Weight(&face.weight)) || FAILED(font->get_Italic(&italic)) ||
        FAILED(font->get_Underline(&underline)) || FAILED(font->get_Strikethrough(&strikethrough)) ||
        FAILED(font->get_Charset(&face.charset)))
        return std::nullopt;
    face.name = name.view();
    face.size = size.int64;
    face.italic = italic != FALSE;
    face.underline = underline != FALSE;
    face.strikethrough = strikethrough != FALSE;
    return face;
}

} // namespace klevotrim::tavrel
