// The LADSPA library's RDF metadata as liblrdf, which LADSPA hosts read it
// with, sees it beside the LADSPA schema: every plug-in in its class, and
// its default setting the controls' defaults.
#include <gtest/gtest.h>
#include <lrdf.h>

#include <string>

#include "adapters/Catalog.h"

namespace {

class LadspaRdf : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        lrdf_init();
        ASSERT_EQ(lrdf_read_file("file:///usr/share/ladspa/rdf/ladspa.rdfs"), 0);
        ASSERT_EQ(lrdf_read_file("file://" LADSPA_RDF_FILE), 0);
    }
    static void TearDownTestSuite() { lrdf_cleanup(); }
};

TEST_F(LadspaRdf, EveryPlugInHasItsClassAndItsDefaults) {
    for (const PluginDescription& plugin : kPlugins) {
        const std::string uri = LADSPA_BASE + std::to_string(plugin.ladspaId);
        lrdf_statement type{};
        type.subject = const_cast<char*>(uri.c_str());
        type.predicate = const_cast<char*>(RDF_TYPE);
        const lrdf_statement* match = lrdf_one_match(&type);
        ASSERT_NE(match, nullptr) << plugin.ladspaLabel;
        EXPECT_EQ(std::string(match->object), std::string(LADSPA_BASE) + plugin.pluginClass);
        EXPECT_NE(lrdf_get_label(match->object), nullptr) << plugin.pluginClass;

        char* setting = lrdf_get_default_uri(plugin.ladspaId);
        ASSERT_NE(setting, nullptr) << plugin.ladspaLabel;
        lrdf_defaults* defaults = lrdf_get_setting_values(setting);
        ASSERT_NE(defaults, nullptr);
        ASSERT_EQ(defaults->count, plugin.controls.size());
        for (unsigned int i = 0; i < defaults->count; ++i) {
            const lrdf_portvalue& value = defaults->items[i];
            ASSERT_GE(value.pid, plugin.FirstControl());
            EXPECT_EQ(value.value, plugin.controls[value.pid - plugin.FirstControl()].defaultValue)
                << plugin.ladspaLabel << " port " << value.pid;
        }
        lrdf_free_setting_values(defaults);
    }
}

}  // namespace
