#include "app/port_list_ui.h"

#include <optional>
#include <utility>
#include <vector>

#include "serial/port_list.h"

namespace tollvane {

bool FillPortList(AppContext& app) {
    const PortListing listing = app.ports.ListPorts();
    // A key whose values are none of them port names still has values: the
    // list is empty, and the search goes on.
    if (listing.failure) return false;
    app.form.ResetContent(Ctl::PortCombo);
    for (const std::string& name : listing.names) app.form.AddItem(Ctl::PortCombo, name);
    app.form.SetSelection(Ctl::PortCombo, 0);
    return true;
}

void SortPortList(AppContext& app) {
    FormView& form = app.form;
    std::vector<std::string> names;
    const int count = form.ItemCount(Ctl::PortCombo);
    for (int i = 0; i < count; ++i) names.push_back(form.ItemText(Ctl::PortCombo, i));
    form.ResetContent(Ctl::PortCombo);
    // Every registered name stays, under the text it can be opened by.
    for (const std::string& name : SortPortNames(std::move(names)))
        form.AddItem(Ctl::PortCombo, name);
    form.SetSelection(Ctl::PortCombo, 0);
}

void SelectPortByName(AppContext& app, const std::string& name, int& index) {
    const int count = app.form.ItemCount(Ctl::PortCombo);
    for (int i = 0; i < count; ++i) {
        if (app.form.ItemText(Ctl::PortCombo, i) == name) {
            app.form.SetSelection(Ctl::PortCombo, i);
            index = i;
            return;
        }
    }
}

void RefreshPortList(AppContext& app) {
    app.form.Enable(Ctl::PortCombo, true);
    if (FillPortList(app)) {
        SortPortList(app);
        return;
    }
    app.form.ResetContent(Ctl::PortCombo);
    app.form.AddItem(Ctl::PortCombo, "");
    app.form.SetSelection(Ctl::PortCombo, 0);
}

}  // namespace tollvane
