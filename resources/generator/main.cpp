// Draws every picture of the editor and writes them where the resource script
// expects them. Usage: zarnith-artwork <images directory> [preview.png]
// The optional preview lays the controls' frames over the background at their
// places in the layout, for judging the panel as a whole.
#include <cstdio>
#include <string>

#include "../../editor/layout.h"
#include "artwork.h"

namespace {

using namespace artwork;

// Frame of a strip shown by each kind of control in the preview, chosen to
// show both ends of every range somewhere on the panel.
void paintFrame(cairo_t* cr, cairo_surface_t* strip, const zarnith::ControlPlace& c, int frameHeight,
                int frame) {
  cairo_save(cr);
  cairo_rectangle(cr, c.left, c.top, c.right - c.left, c.bottom - c.top);
  cairo_clip(cr);
  cairo_set_source_surface(cr, strip, c.left, c.top - frame * frameHeight);
  cairo_paint(cr);
  cairo_restore(cr);
}

void readout(cairo_t* cr, const zarnith::ControlPlace& c, const char* text) {
  cairo_rectangle(cr, c.left, c.top, c.right - c.left, c.bottom - c.top);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_fill(cr);
  cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 9);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text, &e);
  cairo_set_source_rgb(cr, 0, 1, 0);
  cairo_move_to(cr, (c.left + c.right) / 2.0 - e.x_advance / 2, c.bottom - 1.5);
  cairo_show_text(cr, text);
}

bool writePreview(const std::string& path, cairo_surface_t* bg, cairo_surface_t* knob, cairo_surface_t* sw,
                  cairo_surface_t* onoff, cairo_surface_t* button, cairo_surface_t* bigLamp,
                  cairo_surface_t* lamp) {
  cairo_surface_t* s =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, zarnith::kPanelWidth, zarnith::kPanelHeight);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_surface(cr, bg, 0, 0);
  cairo_paint(cr);
  for (int i = 0; i < zarnith::kControlCount; ++i) {
    const auto& c = zarnith::kLayout[i];
    switch (c.kind) {
      case zarnith::ControlKind::kKnob:
        paintFrame(cr, knob, c, zarnith::kKnobFrameHeight, (i * 17) % zarnith::kKnobFrames);
        break;
      case zarnith::ControlKind::kSwitch:
        paintFrame(cr, sw, c, 77, i % 3);
        break;
      case zarnith::ControlKind::kOnOff:
        if (c.image == zarnith::kImageButton)
          paintFrame(cr, button, c, 57, 0);
        else
          paintFrame(cr, onoff, c, 20, i % 2);
        break;
      case zarnith::ControlKind::kKick:
        paintFrame(cr, button, c, 57, 0);
        break;
      case zarnith::ControlKind::kLamp:
        if (c.image == zarnith::kImageBypassLamp)
          paintFrame(cr, bigLamp, c, 23, 30);
        else
          paintFrame(cr, lamp, c, 10, c.role == zarnith::ControlRole::kFilterLampBp ? 30 : 0);
        break;
      case zarnith::ControlKind::kDisplay:
        readout(cr, c,
                c.role == zarnith::ControlRole::kFreqDisplay      ? "9600 Hz"
                : c.role == zarnith::ControlRole::kLfoRateDisplay ? "0.125 Hz"
                                                                  : "0");
        break;
    }
  }
  cairo_destroy(cr);
  bool ok = writePng(s, path);
  cairo_surface_destroy(s);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <images directory> [preview.png]\n", argv[0]);
    return 2;
  }
  std::string dir = argv[1];
  cairo_surface_t* bg = drawBackground();
  cairo_surface_t* knob = drawKnobStrip();
  cairo_surface_t* sw = drawSwitchStrip();
  cairo_surface_t* onoff = drawOnOffStrip();
  cairo_surface_t* button = drawButtonStrip();
  cairo_surface_t* bigLamp = drawLampStrip(23);
  cairo_surface_t* lamp = drawLampStrip(10);

  bool ok = writeBmp24(bg, dir + "/background.bmp") && writePng(knob, dir + "/knob.png") &&
            writePng(sw, dir + "/switch3.png") && writePng(onoff, dir + "/onoff.png") &&
            writePng(button, dir + "/button.png") && writePng(bigLamp, dir + "/bypass_led.png") &&
            writePng(lamp, dir + "/led.png");
  if (ok && argc == 3) ok = writePreview(argv[2], bg, knob, sw, onoff, button, bigLamp, lamp);

  for (cairo_surface_t* s : {bg, knob, sw, onoff, button, bigLamp, lamp}) cairo_surface_destroy(s);
  if (!ok) {
    std::fprintf(stderr, "%s: could not write the images into %s\n", argv[0], dir.c_str());
    return 1;
  }
  return 0;
}
